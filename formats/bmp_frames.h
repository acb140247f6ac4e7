#pragma once
// The BMP frames of a loop: one 4-bit BMP file a frame, the template's header, the frame's
// colour table and the shared pixel array. The format table's first row, which every export
// writes into result/, and the editor's M.

#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/frame_template.h"
#include "store/data_folder.h"
#include "store/safe_file.h"

// The BMP frames of one loop of the cycle: with the default cycle the sixteen
// dir/<id>A.bmp .. dir/<id>P.bmp, otherwise dir/<id>-0000.bmp on; each the cycle's template
// header, frame j's colour table and the pixel array with plane row 0 first.
void AddBmpFrames(const Cycle& cycle, char idLetter, const std::string& dir,
                  std::vector<ExportFile>& files);

// The loop's BMP frames written into dir as one crash-safe set, which also removes the frames
// of an earlier loop of the id that these do not replace (what the BMP row of an export
// plans).
Result WriteBmpFrames(const Cycle& cycle, char idLetter, const std::string& dir);

// M: the document's loop as BMP frames in the data folder's result/, written here rather than
// through the format table, so that a program which exports only these (the page's editor)
// carries none of the other formats' encoders. The template is read and checked first.
Result ExportFrames(const Document& document, const DataFolder& folder);
