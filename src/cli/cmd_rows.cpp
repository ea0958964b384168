// reportctl rows: row operations on a table file for scripts and end-to-end
// tests. The operations run in the order given, within one load of the
// table (so "copy 2 paste 5" pastes row 2), every question is answered
// "Да", and the table file is saved at the end.
//
// The table is calculated and checked by the engine the desktop program
// uses, so every operation recalculates it as the table window does (a
// footer summing a column follows a deleted row). When the table's folder
// holds a report's structure file, the report's tables are loaded and
// recalculated first, as a report load does, so that formulas reading
// other tables see them; otherwise the other table files of the folder
// are loaded for them to read. The table is then recalculated as its
// window does when it becomes active.
#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/folder_tables.h"
#include "cli/headless_interaction.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/calc/open_tables.h"
#include "core/calc/structure.h"
#include "core/calc/table_map.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

namespace fs = std::filesystem;

int Number(const std::string& text, const char* what) {
  int n = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw UsageError(std::string(what) + " expected, got '" + text + "'");
  return n;
}

// The sort dialog answered with the columns of the command line.
class GivenColumns : public RowDialogs {
 public:
  explicit GivenColumns(std::vector<std::string> columns) : columns_(std::move(columns)) {}
  bool RowCount(RowCountSpin&) override { return false; }
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>& available) override {
    for (const std::string& c : columns_) {
      bool offered = false;
      for (const std::string& a : available) offered = offered || a == c;
      if (!offered) throw std::runtime_error("column " + c + " cannot be sorted by");
    }
    return columns_;
  }

 private:
  std::vector<std::string> columns_;
};

// The spin field of "Количество строк" confirmed with N.
class GivenCount : public RowDialogs {
 public:
  explicit GivenCount(int n) : n_(n) {}
  bool RowCount(RowCountSpin& spin) override {
    spin.value = n_;
    return spin.Enter();
  }
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>&) override {
    return std::nullopt;
  }

 private:
  int n_;
};

class RowsRun {
 public:
  explicit RowsRun(const std::string& path) : engine_(openTables_, map_, &ui_) {
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = WithSeparator(parent.empty() ? "." : parent.string());
    ctx_.ui = &ui_;
    ctx_.hooks = &engine_;
    ctx_.listFolder = folder;
    ctx_.templateFolder = folder;
    if (const auto rules = FindEntryNoCase(folder, "Check.chk")) engine_.OpenCheckRules(*rules);
    view_.workingFolder = folder;
    view_.map = &map_;

    const bool report = FindStructureFile(folder).has_value();
    if (report) {
      // A report: its tables as a report load has them.
      model_ = ReadFolderStructure(folder);
      view_.structure = &model_;
      engine_.Attach(view_);
      loaded_ = LoadFolderTables(folder, model_, ctx_, engine_, view_);
      std::error_code ec;
      for (const auto& t : loaded_.tables)
        if (fs::equivalent(t->filePath, path, ec)) table_ = t.get();
      if (table_) engine_.RecalcAllTablesKeepGoing();
    }
    if (!table_) {
      // A table outside the report's structure, or on its own: then the
      // other table files beside it are loaded too, for its formulas to read.
      engine_.SetLoading(true);
      table_ = Load(path);
      if (!report)
        for (const std::string& name : ListMatching(folder, "*.ini"))
          if (!SameFileName(name, fs::path(path).filename().string())) Load(folder + name);
    }
    engine_.SetLoading(false);
    // As the table's window does when it becomes active.
    engine_.Recalculate(RecalcMoment::TableActivated, table_);
  }
  TTable& table() { return *table_; }

  // A row the pop-up menu would offer row operations on.
  int Row(const std::string& text) {
    const int r = Number(text, "row number");
    if (!table_->growing) throw std::runtime_error("not a growing table: rows cannot be changed");
    if (r < 1 || r > table_->RowCount)
      throw std::runtime_error("no row " + text + " (the table has " + std::to_string(table_->RowCount) + ")");
    const TRow* row = RowAt(table_->data, r);
    const CellPopupMenu menu = DecideCellPopup(*table_, CellAt(*row, 1), r, false);
    if (!menu.rowOperations) throw std::runtime_error("row " + text + " takes no row operations");
    return r;
  }
  Interaction* ui() { return &ui_; }

 private:
  TTable* Load(const std::string& file) {
    auto table = std::make_unique<TTable>(ctx_);
    table->LoadFromFile(file);
    TTable* loaded = table.get();
    view_.tables.push_back({loaded, {}});
    own_.push_back(std::move(table));
    engine_.Attach(view_);
    return loaded;
  }

  HeadlessInteraction ui_;
  TOpenTables openTables_;
  TMapTables map_;
  TCheckingEngine engine_;
  TableContext ctx_;
  ReportEngineView view_;
  StructureModel model_;
  FolderTables loaded_;
  std::vector<std::unique_ptr<TTable>> own_;
  TTable* table_ = nullptr;
};

std::vector<std::string> SplitColumns(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    std::string c = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    Number(c, "column number");
    out.push_back(std::move(c));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

int RunRows(const Args& args) {
  if (args.size() < 2) throw UsageError("a table file and at least one operation expected");
  const std::string& path = args[0];
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw std::runtime_error("no such table file: " + path);
  RowsRun run(path);
  TTable& t = run.table();
  bool buffered = false;
  std::size_t i = 1;
  auto next = [&](const char* what) -> const std::string& {
    if (i >= args.size()) throw UsageError(std::string(what) + " expected after " + args[i - 1]);
    return args[i++];
  };
  while (i < args.size()) {
    const std::string op = args[i++];
    if (op == "insert-empty") {
      InsertEmptyRow(t, run.Row(next("row")));
    } else if (op == "insert-empty-n") {
      const int r = run.Row(next("row"));
      const int n = Number(next("count"), "count");
      if (n < 1) throw UsageError("count must be 1..100");
      GivenCount dialog(n);
      InsertEmptyRowsCommand(t, r, run.ui(), dialog);
    } else if (op == "copy") {
      CopyRowToBuffer(t, run.Row(next("row")));
      buffered = true;
    } else if (op == "paste") {
      const int r = run.Row(next("row"));
      if (!buffered) throw std::runtime_error("paste: nothing copied or cut before it");
      if (!RowsCompatible(t, 0, r)) throw std::runtime_error("paste: the copied row does not fit row " + std::to_string(r));
      InsertBufferRow(t, r);
    } else if (op == "cut") {
      CutRow(t, run.Row(next("row")));
      buffered = true;
    } else if (op == "clear") {
      ClearRowCommand(t, run.Row(next("row")), run.ui());
    } else if (op == "delete") {
      DeleteRowCommand(t, run.Row(next("row")), run.ui());
    } else if (op == "delete-empty") {
      if (!t.growing) throw std::runtime_error("not a growing table: rows cannot be changed");
      DeleteEmptyRowsCommand(t, run.ui());
    } else if (op == "sort") {
      if (!t.growing) throw std::runtime_error("not a growing table: rows cannot be changed");
      GivenColumns dialog(SplitColumns(next("columns")));
      if (!SortRowsCommand(t, run.ui(), dialog)) throw std::runtime_error("sort: nothing sorted");
    } else if (op == "fill-zeros") {
      FillZeros(t);
    } else {
      throw UsageError("unknown operation '" + op + "'");
    }
  }
  t.SaveToFile(path, false);
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("rows",
                  "rows FILE.ini OP... with OP one of: insert-empty R | insert-empty-n R N | copy R | "
                  "paste R | cut R | clear R | delete R | delete-empty | sort COL[,COL...] | fill-zeros",
                  RunRows);

}  // namespace rpt::cli
