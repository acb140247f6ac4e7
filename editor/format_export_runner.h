#pragma once
// The exports encoded in this process by the format library, an ExportJob at a time.

#include <memory>

#include "editor/export_runner.h"

std::shared_ptr<ExportRunner> MakeFormatExportRunner();
