// What both imports share: the installation's list of importable entries
// ("Options.cnf"), item captions, the import protocol, finding the source
// report's package and unpacking it into the import folder.
//
// Texts are Windows-1251; paths UTF-8.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/errors.h"

namespace rpt {

class TReportState;
struct StructureModel;

// One line of section "Импортируемые таблицы" of "Options.cnf".
struct ImportEntry {
  int number = 0;           // the key (1..Количество)
  std::string lastYearFile; // first non-empty ";" field
  std::string thisYearFile; // second; empty hides the entry from the list
  bool keepNumbers = false; // third field "+"
};

enum class ImportKind { Table, Document, Other };

// The n-th (from 1) non-empty ";"-separated part of `line`.
std::string ImportField(std::string_view line, int n);
// ".INI" a table, ".RTF" a document (extension compared in upper case).
ImportKind ImportKindOf(std::string_view file);
// Every entry 1..Количество of the template folder's "Options.cnf" (hidden
// ones included, so that the numbers stay the keys).
std::vector<ImportEntry> ReadImportEntries(const std::string& templateFolder);
// The lines of the choosing list: "k. " and the caption of this year's
// file, for every entry whose second field is set.
struct ImportListLine {
  int number = 0;
  std::string text;
};
std::vector<ImportListLine> ImportListLines(const std::vector<ImportEntry>& entries,
                                            const StructureModel* structure);
// The entry number a list line starts with (0 when none).
int EntryNumberOfLine(std::string_view line);

// The title of the first item whose "Файл" equals `file` (ASCII letters
// without regard to case); empty when none does.
std::string ItemCaption(const StructureModel* structure, std::string_view file);

// The numbered import protocol.
class ImportProtocol {
 public:
  // Adds "k. " + text, k being the line count plus one.
  void Add(std::string_view text);
  const std::vector<std::string>& lines() const { return lines_; }
  bool empty() const { return lines_.empty(); }

 private:
  std::vector<std::string> lines_;
};

// A source is a report folder or any file in it (the chosen package). The
// folder, ending with "/".
std::string SourceFolderOf(const std::string& source);
// The folder's "Report.rpt" (letter case ignored), or nothing.
std::optional<std::string> ReportPackageIn(const std::string& folder);
// A name without folder parts: no separator, drive colon, "." or "..".
bool IsPlainFileName(std::string_view name);
// A file of `folder` named `nameCp1251` with letter case ignored (packages
// from other installations may spell names differently), or nothing; a
// name with folder parts is never looked up.
std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view nameCp1251);

// The import folder emptied, filled from the package, and removed again
// when this object goes.
class ImportFolder {
 public:
  explicit ImportFolder(std::string folder) : folder_(std::move(folder)) {}
  ~ImportFolder();
  ImportFolder(const ImportFolder&) = delete;
  ImportFolder& operator=(const ImportFolder&) = delete;
  // Raises on a damaged package.
  void Unpack(const std::string& package);
  const std::string& path() const { return folder_; }

 private:
  std::string folder_;
};

// "\"" + text + "\"".
std::string Quoted(std::string_view textCp1251);
// The whole-report check of the structure window's "Проверка".
void RunReportCheck(TReportState& state);
// An import that failed on the way: the error is shown and the report saved
// before the import is loaded again, so that nothing stays half imported.
void RestoreAfterFailedImport(TReportState& state, const std::exception& e);
// The end of an import: when everything was imported, `doneMessage`, the
// recalculation and the whole-report check; otherwise the protocol.
void FinishImport(TReportState& state, bool allImported, std::string_view doneMessage,
                  const ImportProtocol& protocol,
                  const std::function<void(const ImportProtocol&)>& showProtocol);

}  // namespace rpt
