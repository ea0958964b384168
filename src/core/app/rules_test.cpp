#include "core/app/rules_test.h"

#include <algorithm>
#include <filesystem>

#include "core/calc/check_status.h"
#include "core/calc/checking_engine.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/report/report_state.h"

namespace rpt::app {

namespace {

constexpr std::string_view kRulesFile = "Check.chk";

// The expected protocol: UTF-8 lines (CR LF or LF), trailing empty lines
// ignored; no file, no message.
std::vector<std::string> ReadExpected(const std::string& folder, const std::string& name) {
  std::vector<std::string> lines;
  const auto path = FindEntryNoCase(folder, name);
  const auto content = path ? ReadWholeFile(*path) : std::nullopt;
  if (!content) return lines;
  const std::string& text = *content;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Utf8ToCp1251(line));
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

bool RulesTestCase::Passed() const {
  return loaded && std::all_of(tables.begin(), tables.end(), [](const RulesTestTable& t) { return t.Passed(); });
}

std::vector<std::string> FindRulesTests(const std::string& dir) {
  std::vector<std::string> out;
  if (FindStructureFile(dir)) out.push_back(dir);
  std::vector<std::string> subs;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.is_directory(ec)) subs.push_back(entry.path().filename().string());
  std::sort(subs.begin(), subs.end());
  for (const std::string& name : subs)
    if (FindStructureFile(dir + name + "/")) out.push_back(dir + name + "/");
  return out;
}

RulesTestCase RunRulesTest(const std::string& folder, const std::string& rulesFolder, Interaction& ui) {
  RulesTestCase result;
  result.folder = folder;
  FolderSet f = FolderSet::FromProgramFolder(folder);
  f.working = folder;
  f.lists = folder;
  f.templates = rulesFolder.empty() || FindEntryNoCase(folder, kRulesFile) ? folder : rulesFolder;
  TCheckingEngine engine(&ui);
  TReportState state(f, ui, &engine);
  state.lockReports = false;
  state.ReadUnpackedReport();
  if (!state.treeVisible) return result;
  result.loaded = true;
  checks::TableChecker& checker = engine.checker();
  checker.CheckAllTables();
  for (const TReportTable& t : state.tables()) {
    RulesTestTable table;
    table.file = t.file;
    table.actual = checker.Protocol(*t.table);
    table.expected = ReadExpected(folder, Cp1251ToUtf8(t.file) + std::string(kExpectedProtocolSuffix));
    result.tables.push_back(std::move(table));
  }
  return result;
}

std::vector<std::string> DiffLines(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  // Longest common subsequence lengths from the ends; protocols are short.
  const std::size_t n = a.size(), m = b.size();
  std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;)
    for (std::size_t j = m; j-- > 0;)
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::vector<std::string> out;
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[i] == b[j]) {
      out.push_back("  " + a[i++]);
      ++j;
    } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
      out.push_back("- " + a[i++]);
    } else {
      out.push_back("+ " + b[j++]);
    }
  }
  return out;
}

}  // namespace rpt::app
