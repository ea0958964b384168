// reportctl table / datalines: load table files, show their model, save
// them again, and print their data lines. The value lists are looked up in
// the folder given with --lists (by default the table file's folder).
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/headless_interaction.h"
#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/tables/table.h"

namespace rpt::cli {
namespace {

namespace fs = std::filesystem;

// Takes "--lists DIR" out of the arguments.
std::string TakeListsOption(Args& args) {
  std::string lists;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--lists") continue;
    if (i + 1 >= args.size()) throw UsageError("--lists takes a folder");
    lists = WithSeparator(args[i + 1]);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    break;
  }
  return lists;
}

struct Session {
  HeadlessInteraction ui;
  TableContext ctx;
  std::string lists;  // from --lists; empty: each table's own folder
  explicit Session(std::string listsOption) : lists(std::move(listsOption)) { ctx.ui = &ui; }
  std::string ListsFor(const std::string& path) const {
    if (!lists.empty()) return lists;
    const fs::path folder = fs::path(path).parent_path();
    return WithSeparator(folder.empty() ? "." : folder.string());
  }
};

void RequireFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw std::runtime_error("no such table file: " + path);
}

// A value on one line: line breaks shown as "||".
std::string OneLineValue(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
      out += "||";
      ++i;
    } else if (value[i] == '\r' || value[i] == '\n') {
      out += "||";
    } else {
      out += value[i];
    }
  }
  return out;
}

void PrintCell(TCell& cell, char section) {
  PrintLine(std::to_string(cell.number) + " " + section + " " + std::to_string(cell.Row) + " " +
            std::to_string(cell.Col) + " " + std::to_string(cell.type) + " " + OneLineValue(cell.GetValue()));
}

int Show(Session& s, const std::string& path) {
  RequireFile(path);
  s.ctx.listFolder = s.ListsFor(path);
  TTable t(s.ctx);
  t.LoadFromFile(path);
  PrintLine(std::string("kind: ") + (!t.grid ? "form" : t.growing ? "growing" : "grid"));
  PrintLine("RowCount: " + std::to_string(t.RowCount));
  PrintLine("ColCount: " + std::to_string(t.ColCount));
  if (!t.growing) {
    if (t.grid) {
      for (auto& c : t.header.cells) PrintCell(*c, 'H');
      for (auto& c : t.top.cells) PrintCell(*c, 'T');
      for (int r = 1; r <= t.RowCount; ++r)
        if (TRow* row = RowAt(t.data, r))
          for (auto& c : row->cells) PrintCell(*c, 'D');
      for (auto& c : t.footer.cells) PrintCell(*c, 'B');
    } else if (TRow* row = FirstRow(t.data)) {
      for (auto& c : row->cells) PrintCell(*c, 'D');
    }
  }
  if (t.grid) {
    for (int r = 1; r <= t.RowCount; ++r) {
      TRow* row = RowAt(t.data, r);
      if (!row) continue;
      std::string line;
      for (std::size_t c = 0; c < row->cells.size(); ++c) {
        if (c > 0) line += " | ";
        line += OneLineValue(row->cells[c]->GetValue());
      }
      PrintLine(line);
    }
  }
  return kExitOk;
}

int RunTable(const Args& given) {
  Args args = given;
  Session s(TakeListsOption(args));
  if (args.empty()) throw UsageError("missing subcommand");
  const std::string& sub = args[0];
  if (sub == "show") {
    if (args.size() != 2) throw UsageError("table show takes FILE.ini");
    return Show(s, args[1]);
  }
  if (sub == "resave") {
    if (args.size() != 3) throw UsageError("table resave takes IN.ini OUT.ini");
    RequireFile(args[1]);
    s.ctx.listFolder = s.ListsFor(args[1]);
    TTable t(s.ctx);
    t.LoadFromFile(args[1]);
    t.SaveToFile(args[2], false);  // EFileError: reported by main, exit 1
    return kExitOk;
  }
  throw UsageError("unknown subcommand '" + sub + "'");
}

int RunDataLines(const Args& given) {
  Args args = given;
  Session s(TakeListsOption(args));
  if (args.empty()) throw UsageError("datalines takes FILE.ini...");
  std::string out;
  for (const std::string& path : args) {
    RequireFile(path);
    s.ctx.listFolder = s.ListsFor(path);
    TTable t(s.ctx);
    t.LoadFromFile(path);
    t.WriteDataLines(out);
  }
  // Windows-1251 bytes with CR LF, as the sending writes them.
  std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
  std::cout.flush();
  return kExitOk;
}

}  // namespace

REPORTCTL_COMMAND("table", "table show FILE.ini | table resave IN.ini OUT.ini [--lists DIR]", RunTable);
REPORTCTL_COMMAND("datalines", "datalines FILE.ini... [--lists DIR]", RunDataLines);

}  // namespace rpt::cli
