// quilmorante-export: the editor's export (its M and E keys) without a screen. Loads a
// pattern and a palette slot (with its cycle ranges and look), sets the tile size and mosaic,
// and writes the colour-cycle frames of one loop (unless --no-frames), and whichever other
// formats the options ask for.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/export_job.h"
#include "formats/export_set.h"
#include "formats/scale.h"
#include "formats/spill.h"
#include "generator/frame_template.h"
#include "generator/messages.h"
#include "generator/program_limits.h"
#include "generator/random_pattern.h"
#include "generator/slot_files.h"
#include "store/data_folder.h"
#include "store/file_system.h"
#include "store/paths.h"
#include "store/template_file.h"
#include "tools/export_options.h"

// A mistake in what the options ask for, found before anything is written.
[[noreturn]] void Refuse(const std::string& message) {
  std::fprintf(stderr, "quilmorante-export: %s\n", message.c_str());
  std::exit(2);
}

// A file the run reads, and who reads it, for messages.
struct Input {
  std::string reader;
  std::string path;
};

// Every file the run reads: the frame template, the white texture, the slot's files and the
// palette files --colors and --snap name.
std::vector<Input> Inputs(const Options& options, const DataFolder& folder) {
  std::vector<Input> inputs = {{"the export", folder.frameTemplate},
                               {"the export", folder.whiteTexture}};
  for (const SlotFile& file : kSlotFiles)
    if (file.kind == SlotKind::kPalette)
      inputs.push_back({"--palette", folder.Where(file, options.palette)});
    else if (!options.randomPattern)
      inputs.push_back({"--pattern", folder.Where(file, options.pattern)});
  if (!options.look.colours.path.empty()) inputs.push_back({"--colors", options.look.colours.path});
  if (!options.look.snap.path.empty()) inputs.push_back({"--snap", options.look.snap.path});
  return inputs;
}

// Refuses a plan that writes one file twice, writes over or removes what the run reads, or
// writes into savedata/, however the paths are spelled (links, "..", trailing separators):
// each is compared by what a write to it would really open.
void CheckOutputs(const ExportPlan& plan, const std::vector<size_t>& requestOfFile,
                  const std::vector<std::string>& labels, const std::vector<Input>& inputs,
                  const DataFolder& folder) {
  struct Output {
    const std::string& path;
    size_t request;
    const char* verb;
  };
  std::vector<Output> outputs;
  for (size_t i = 0; i < plan.files.size(); ++i)
    if (plan.files[i].path != "-")
      outputs.push_back({plan.files[i].path, requestOfFile[i], "write"});
  for (size_t i = 0; i < plan.removals.size(); ++i)
    outputs.push_back({plan.removals[i], plan.removalRequests[i], "remove"});
  std::map<std::string, size_t> written;  // identity -> request
  for (const Output& output : outputs) {
    const std::string identity = FileIdentity(output.path);
    const auto [at, fresh] = written.emplace(identity, output.request);
    if (!fresh && *output.verb == 'w')
      Refuse(labels[at->second] + " and " + labels[output.request] + " both write " + output.path +
             "; give them different names");
    for (const Input& input : inputs)
      if (FileIdentity(input.path) == identity)
        Refuse(labels[output.request] + " " + output.path + " would " + output.verb + " " +
               input.path + ", which " + input.reader + " reads; give another name");
  }
  // Every folder of the plan holds files of it: the files tell.
  for (const Output& output : outputs)
    if (IsWithin(output.path, folder.Path(DataFolder::kSlots)))
      Refuse(labels[output.request] + " " + output.path + " would " + output.verb + " in " +
             DataFolder::kSlots + "/, where the slots are");
}

// A file that could not be read or written: the message names it.
int Failed(const Result& result) {
  std::fprintf(stderr, "quilmorante-export: %s\n", result.message.c_str());
  return 1;
}

// Encodes every request; on a terminal, a line on stderr shows each format's frames done of
// the loop's while a long export runs, and is cleared at the end.
Result EncodeShowingProgress(std::shared_ptr<const Cycle> cycle, const Options& options,
                             const std::vector<ExportRequest>& requests, ExportPlan& plan,
                             std::vector<size_t>& requestOfFile) {
  constexpr double kProgressEveryMs = 100;
  ExportJob job(std::move(cycle), options.id, options.settings, requests);
  const bool terminal = os::StandardErrorIsTerminal();
  bool shown = false;
  Result advanced = Result::Ok();
  while (advanced && !job.Done()) {
    advanced = job.Advance(kProgressEveryMs);
    if (!terminal || job.Done()) continue;
    const ExportProgress progress = job.Progress();
    std::fprintf(stderr, "\r\x1b[Kexporting %s %s: %d/%d frames", progress.label.c_str(),
                 progress.path.c_str(), progress.FramesDone(), progress.loopFrames);
    shown = true;
  }
  if (shown) std::fputs("\r\x1b[K", stderr);
  if (!advanced) return advanced;
  return job.TakePlan(plan, &requestOfFile);
}

// The data folder: --data's, or the layout's as for the editor. Paths the options give stay as
// they are, relative to where the tool was started.
Result FindDataFolder(Options& options, DataFolder& folder) {
  const DataLayout layout = ProcessDataLayout();
  if (!options.dataDir.empty()) {
    if (!os::IsFolder(options.dataDir))
      return Result::FileFailure(options.dataDir, "cannot use as the data folder",
                                 os::IsFile(options.dataDir) ? ENOTDIR : ENOENT);
    folder = NamedDataFolder(layout, options.dataDir);
    return Result::Ok();
  }
  if (Result prepared = PrepareWorkFolder(layout); !prepared) return prepared;
  if (layout.installed)
    std::fprintf(stderr, "quilmorante-export: slots (savedata/) and exports (result/) are in %s\n",
                 layout.workFolder.c_str());
  options.dataDir = layout.workFolder.empty() ? "." : layout.workFolder;
  folder = DataFolder(options.dataDir);
  folder.frameTemplate = ResourcePath(layout, kFrameTemplateFile);
  return Result::Ok();
}

// The document the options name, each file read once: the slots' files (a file that cannot
// be read whole is refused, named: the editor loads a slot over the one before it and keeps
// the earlier values, but the tool has none before), or in their place what --random,
// --random-palette and --cycle give, with the options' settings and the parts of the look
// --colors, --snap and --depth replace.
Result ReadDocument(const Options& options, const DataFolder& folder, Document& document) {
  for (const SlotFile& file : kSlotFiles) {
    const bool pattern = file.kind == SlotKind::kPattern;
    // What an option gives in place of a file: the file is not read.
    const bool given = pattern                       ? options.randomPattern.has_value()
                       : &file == &PaletteSlotFile() ? options.randomPalette.has_value()
                       : &file == &CyclesSlotFile()  ? !options.cycles.empty()
                                                     : false;
    if (given) continue;
    if (Result read =
            ReadSlotWhole(folder, file, pattern ? options.pattern : options.palette, document);
        !read)
      return read;
  }
  document.idLetter = options.id;
  document.sizeExpX = options.sizeExpX;
  document.sizeExpY = options.sizeExpY;
  document.mosaicLevel = options.mosaic;
  PaletteSlot& palette = document.palette;
  if (!options.cycles.empty()) {
    palette.cycles.count = static_cast<int>(options.cycles.size());
    std::copy(options.cycles.begin(), options.cycles.end(), palette.cycles.ranges);
  }
  if (options.randomPattern) document.pattern.fields = RandomPattern(*options.randomPattern);
  if (options.randomPalette) {
    // New keys mean the ramp, as Shift+R in the editor.
    RandomPaletteKeys(*options.randomPalette, palette.keys);
    palette.look.colours.clear();
    palette.look.colourStart = 0;
    palette.look.coloursName.clear();
  }
  options.look.ApplyTo(palette.look);
  return Result::Ok();
}

// The document's cycle with the folder's template. Ranges that loop too long are the ranges
// file's fault when they come from the slot: it is named.
Result ReadCycle(const Options& options, const DataFolder& folder, const Document& document,
                 Cycle& cycle) {
  uint8_t header[kHeaderBytes];
  if (Result read = ReadFrameTemplate(header, folder.frameTemplate); !read) return read;
  Result made = MakeCycle(document, header, options.delay, cycle);
  if (!made && options.cycles.empty())
    made.message = folder.Where(CyclesSlotFile(), options.palette) + ": " + made.message;
  return made;
}

// The requests the options name themselves (their files are written where their paths lead)
// start at this index, after the BMP frames when the run writes them.
size_t FirstOptionRequest(const Options& options) {
  return options.frames ? 1 : 0;
}

// The BMP frames (unless --no-frames), then every format asked for in the table's order, then
// --all's; labels receives how each request is named in messages.
std::vector<ExportRequest> Requests(Options& options, const std::string& stem,
                                    std::vector<std::string>& labels) {
  const auto formats = ExportFormats();
  std::stable_sort(options.requests.begin(), options.requests.end(),
                   [&](const ExportRequest& a, const ExportRequest& b) {
                     return a.format - formats.data() < b.format - formats.data();
                   });
  std::vector<ExportRequest> requests;
  labels.clear();
  if (options.frames) {
    requests.push_back({&BmpFrames(), options.resultsDir});
    labels.push_back("the BMP frames");
  }
  requests.insert(requests.end(), options.requests.begin(), options.requests.end());
  if (!options.all.empty()) RequestAllFormats(options.all, stem, requests);
  for (const ExportRequest& request : options.requests) labels.push_back(request.format->option);
  labels.resize(requests.size(), "--all");
  if (options.delay == 1)
    for (const ExportRequest& request : requests)
      if (request.format->option == std::string_view("--gif")) {
        std::fprintf(stderr,
                     "quilmorante-export: warning: --delay 1 gives 10 ms GIF frames, which "
                     "browsers and ffmpeg play at 100 ms (10 steps a second, not 100); 2 or "
                     "more plays as asked\n");
        break;
      }
  return requests;
}

// What was written, on standard output unless a file went there; then on standard error what
// a format could not hold of this cycle, or laid out otherwise than asked.
void Report(const Options& options, const Cycle& cycle, const std::vector<ExportRequest>& requests,
            const ExportPlan& plan) {
  std::FILE* report = stdout;
  for (const ExportFile& file : plan.files)
    if (file.path == "-") report = stderr;
  const bool numbered = cycle.NumberedFrames();
  if (options.frames)
    std::fprintf(
        report, "wrote %s .. %s (%d frames of %d bytes)\n",
        JoinPath(options.resultsDir, DataFolder::FrameName(options.id, 0, numbered)).c_str(),
        JoinPath(options.resultsDir, DataFolder::FrameName(options.id, cycle.frames - 1, numbered))
            .c_str(),
        cycle.frames, kFrameBytes);
  // The frames, when written, come first in the plan.
  for (size_t i = options.frames ? static_cast<size_t>(cycle.frames) : 0; i < plan.files.size();
       ++i)
    std::fprintf(report, "wrote %s (%llu bytes)\n", plan.files[i].path.c_str(),
                 static_cast<unsigned long long>(ContentsSize(plan.files[i])));
  for (const ExportRequest& request : requests) {
    if (request.format->notes == nullptr) continue;
    const std::string note = request.format->notes(cycle, options.settings);
    if (!note.empty())
      std::fprintf(stderr, "quilmorante-export: note: %s: %s\n", request.path.c_str(),
                   note.c_str());
  }
}

int main(int argc, char** argv) {
  SetProgramName("quilmorante-export");
  Options options = Parse(argc, argv);
  if (Result read = ReadLookFiles(options.look); !read) Refuse(read.message);
  DataFolder folder;
  if (Result found = FindDataFolder(options, folder); !found) return Failed(found);
  options.resultsDir = folder.Path(DataFolder::kResults);
  Document document;
  if (Result read = ReadDocument(options, folder, document); !read) return Failed(read);
  // The frames and every format asked for, encoded whole before any is written, then written
  // as one batch.
  auto cycle = std::make_shared<Cycle>();
  if (Result made = ReadCycle(options, folder, document, *cycle); !made) return Failed(made);
  // The formats' files are named after --name, else the slot's name, else the id letter.
  options.settings.stem =
      ExportStem(options.name.value_or(document.pattern.label.name), options.id);
  std::vector<std::string> labels;
  const std::vector<ExportRequest> requests = Requests(options, options.settings.stem, labels);
  ExportPlan plan;
  std::vector<size_t> requestOfFile;
  if (Result planned = EncodeShowingProgress(cycle, options, requests, plan, requestOfFile);
      !planned)
    return Failed(planned);
  CheckOutputs(plan, requestOfFile, labels, Inputs(options, folder), folder);
  // A file an option names is written where its path leads (through a link, into a FIFO);
  // every file the tool names itself replaces whatever has its name.
  const size_t first = FirstOptionRequest(options);
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const size_t request = requestOfFile[i];
    plan.files[i].named = request >= first && request < first + options.requests.size() &&
                          !requests[request].format->makesFolder;
  }
  if (Result written = WriteExport(plan); !written) return Failed(written);
  Report(options, *cycle, requests, plan);
  return 0;
}
