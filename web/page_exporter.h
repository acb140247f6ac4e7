#pragma once
// The page's exports: encoded by the exporter module (web/export_module.cpp) that
// web/exporter.js loads on the first export, written into result/ by the editor's module.

#include <memory>

#include "editor/export_runner.h"

std::shared_ptr<ExportRunner> MakePageExportRunner();
