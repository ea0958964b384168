// The report as one word-processor document: the print templates of the
// print folder ("PrintDocs/") put together in report order, the tables'
// values written into the templates' tables, the text documents inserted
// as they are. The document is built in memory (rtf_document.h), written
// as an RTF file and handed to the desktop's word processor.
//
// "Print.ini" of the print folder says which tables are filled through a
// map of cells, which pages are landscape, which sections a whole-report
// document leaves out and where the title table keeps the institution's
// name and the signatories.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/rtf_document.h"

namespace rpt {
class TTable;
class TReportState;
class TMyIniFile;
class TFormProgress;
}  // namespace rpt

namespace rpt::output {

// The word processor as the export and the printing use it: one document
// at a time, built here, then shown (written and opened) or discarded.
class TWordLink {
 public:
  rtf::RtfDocument& NewDocument();
  bool HasDocument() const { return document_.has_value(); }
  rtf::RtfDocument& Document() { return *document_; }
  // The file's content at the end of the document (UTF-8 path). Raises
  // EFileError when it cannot be read.
  void InsertFile(const std::string& path);
  // The document as an RTF file at `path`, replacing one that is there.
  // Empty on success, else why it failed; the document is kept either way.
  std::string Save(const std::string& path) const;
  // The document goes without being saved.
  void Close() { document_.reset(); }

 private:
  std::optional<rtf::RtfDocument> document_;
};

// A text document (RTF) as it is printed: on A4 paper, upright.
std::string PrintableRtf(std::string_view rtf);

// The texts of the title table's additional cells ("Дополнительные
// ячейки" of "Print.ini"), Windows-1251; empty when not given.
struct AdditionalCells {
  std::string institution, position, surname, positionB, surnameB, positionNok, surnameNok;
};

// The structure window's "Word" command.
class TWordExport {
 public:
  explicit TWordExport(TReportState& state);
  ~TWordExport();

  // Where the document goes: a fixed file (reportctl), else a folder the
  // user chooses once (kept in "LocOpt.cnf") and a name made of the
  // report's and the selection's.
  std::string outputPath;  // UTF-8; empty: ask
  bool openWhenWritten = true;
  // A document item chosen alone is opened for editing, as the structure
  // window's "Редактирование" does; by default it is handed to the desktop.
  std::function<void(int section, int item)> editDocument;

  // The whole command: the save recommendation, the question, the recent
  // list, the recalculation, then the selection. level 0 the report, 1
  // section `section`, 2 item `item` of it (0-based).
  void Run(int level, int section, int item);
  // The selection alone.
  void ExportSelection(int level, int section, int item);
  // One table into a new document, shown at the end.
  void ExportTable(TTable& table);

  // Inserts an element (a table's name or a document's full path) at the
  // end of the document, with the break and orientation it calls for.
  // True when it brought exactly three tables (heading, data, signatures).
  bool InsertElement(const std::string& name);
  // Fills the last inserted template with the table's values.
  void FillTable(TTable& table, bool threeTables);

  TWordLink& link() { return link_; }
  int tablesFilled() const { return filled_; }
  // The files written (UTF-8).
  const std::vector<std::string>& written() const { return written_; }

 private:
  void ExportItem(int section, int item);
  bool ReadSettings();
  void ReadAdditionalCells();
  void Show();
  std::optional<std::string> TargetPath();
  std::string FileNameOf(int level, int section, int item) const;
  std::string PrintFolder() const;
  std::optional<std::string> TemplateOf(const std::string& tableName) const;

  TReportState& state_;
  TWordLink link_;
  std::unique_ptr<TMyIniFile> settings_;  // "Print.ini" while an export runs
  TFormProgress* progress_ = nullptr;      // its window while it runs
  AdditionalCells extra_;
  bool lastLandscape_ = false;
  int filled_ = 0;
  std::string fileName_;
  std::vector<std::string> written_;
};

}  // namespace rpt::output
