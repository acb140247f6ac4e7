#pragma once
// The exports encoded in this process by the format library, an ExportJob at a time.

#include <memory>

#include "editor/export_runner.h"
#include "store/data_folder.h"

// Writes into the data folder's result/.
std::shared_ptr<ExportRunner> MakeFormatExportRunner(const DataFolder& folder);
