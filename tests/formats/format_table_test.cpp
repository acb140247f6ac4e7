// The format table is the one list of formats: the README's table shows it, and --all never
// gives two files one name.

#include "formats/format_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formats/export_set.h"
#include "tests/support/temp_folder.h"

namespace {

// The README's rows of "| Option | `--all` name | What it is |": option and name cells.
std::vector<std::pair<std::string, std::string>> ReadmeFormatRows() {
  const std::string text = ReadText(QUILMORANTE_README);
  std::vector<std::pair<std::string, std::string>> rows;
  const size_t table = text.find("| Option | `--all` name | What it is |");
  if (table == std::string::npos) return rows;
  size_t at = text.find('\n', text.find('\n', table) + 1) + 1;  // past the rule line
  while (at < text.size() && text[at] == '|') {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    std::vector<std::string> cells;
    for (size_t from = 1, bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1) {
      std::string cell = line.substr(from, bar - from);
      cell.erase(0, cell.find_first_not_of(' '));
      cell.erase(cell.find_last_not_of(' ') + 1);
      cells.push_back(cell);
    }
    if (cells.size() >= 2) rows.emplace_back(cells[0], cells[1]);
    at = end + 1;
  }
  return rows;
}

TEST(FormatTable, ReadmeTableListsEveryOptionWithItsAllNames) {
  std::vector<std::pair<std::string, std::string>> expected;
  for (const ExportFormat& format : ExportFormats())
    if (*format.option != '\0') {
      std::string option = "`";
      option.append(format.option).push_back('`');
      expected.emplace_back(option, AllNames(format));
    }
  EXPECT_EQ(ReadmeFormatRows(), expected);
}

TEST(FormatTable, AllGivesEveryFileItsOwnName) {
  auto cycle = std::make_unique<Cycle>();
  ASSERT_TRUE(MakeCycle(Document{}, reinterpret_cast<const uint8_t*>(FrameTemplate().data()),
                        kDefaultDelayCentiseconds, *cycle));
  std::vector<ExportRequest> requests = {{&BmpFrames(), "result"}};
  RequestAllFormats("result", 'Q', requests);
  ExportPlan plan;
  const Result planned = PlanExport(*cycle, 'Q', FormatSettings{}, requests, plan);
  ASSERT_TRUE(planned) << planned.message;
  std::set<std::string> paths;
  for (const ExportFile& file : plan.files) {
    EXPECT_TRUE(paths.insert(file.path).second) << file.path << " twice";
    EXPECT_EQ(file.path.rfind("result/Q", 0), 0u) << file.path;
  }
}

}  // namespace
