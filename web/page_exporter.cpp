#include "web/page_exporter.h"

#include <emscripten/emscripten.h>

#include <string>
#include <utility>
#include <vector>

#include "store/safe_file.h"
#include "web/exporter_protocol.h"

// Module.exporter is web/exporter.js's Exporter, given to the module by the page.
EM_JS(void, ExporterStart, (const void* cycle, int size, int id, const char* name, int everyFormat),
      {
        Module.exporter.start(HEAPU8.slice(cycle, cycle + size), id, UTF8ToString(name),
                              everyFormat);
      });
EM_JS(int, ExporterAdvance, (double budgetMs), { return Module.exporter.advance(budgetMs); });
EM_JS(int, ExporterFramesDone, (), { return Module.exporter.framesDone(); });
EM_JS(int, ExporterCount, (int list), { return Module.exporter.count(list); });
EM_JS(int, ExporterTextSize, (int text, int i),
      { return lengthBytesUTF8(Module.exporter.text(text, i)) + 1; });
EM_JS(void, ExporterText, (int text, int i, char* out, int size),
      { stringToUTF8(Module.exporter.text(text, i), out, size); });
EM_JS(int, ExporterFileSize, (int i), { return Module.exporter.fileBytes(i).length; });
EM_JS(void, ExporterFile, (int i, void* out), { HEAPU8.set(Module.exporter.fileBytes(i), out); });
EM_JS(void, ExporterEnd, (), { Module.exporter.end(); });

namespace {

std::string ExporterString(ExportText text, int i = 0) {
  const int which = static_cast<int>(text);
  std::string value(static_cast<size_t>(ExporterTextSize(which, i)), '\0');
  ExporterText(which, i, value.data(), static_cast<int>(value.size()));
  value.pop_back();
  return value;
}

int ExporterListSize(ExportList list) {
  return ExporterCount(static_cast<int>(list));
}

class PageExportRunner : public ExportRunner {
 public:
  Result Start(const Cycle& cycle, char id, const std::string& name, bool everyFormat) override {
    ExporterStart(&cycle, sizeof cycle, id, name.c_str(), everyFormat ? 1 : 0);
    frames_ = cycle.frames;
    running_ = true;
    return Result::Ok();
  }
  bool Running() const override { return running_; }
  Result Advance(double budgetMs, bool& done) override {
    const auto state = static_cast<ExportState>(ExporterAdvance(budgetMs));
    done = state == ExportState::kDone;
    if (state != ExportState::kFailed) return Result::Ok();
    Result failure = Result::Fail(ExporterString(ExportText::kMessage));
    failure.file = ExporterString(ExportText::kFile);
    failure.reason = ExporterString(ExportText::kReason);
    End();
    return failure;
  }
  ExportRunProgress Progress() const override {
    return {ExporterFramesDone(), frames_, ExporterString(ExportText::kPath)};
  }
  Result Commit(int& fileCount) override {
    std::vector<std::string> folders;
    for (int i = 0; i < ExporterListSize(ExportList::kFolders); ++i)
      folders.push_back(ExporterString(ExportText::kFolder, i));
    std::vector<ExportFile> files;
    for (int i = 0; i < ExporterListSize(ExportList::kFiles); ++i) {
      files.push_back({ExporterString(ExportText::kFilePath, i),
                       std::vector<uint8_t>(static_cast<size_t>(ExporterFileSize(i)))});
      ExporterFile(i, files.back().bytes.data());
    }
    End();
    if (Result written = WriteFileSet(folders, files); !written) return written;
    fileCount = static_cast<int>(files.size());
    return Result::Ok();
  }

 private:
  void End() {
    ExporterEnd();
    running_ = false;
  }
  int frames_ = 0;
  bool running_ = false;
};

}  // namespace

std::shared_ptr<ExportRunner> MakePageExportRunner() {
  return std::make_shared<PageExportRunner>();
}
