// Arbitrary bytes as an RTF file. Reading never fails; what the document
// writes reads back to the same document (the second writing is a fixed
// point), and the table operations of the export keep that so: a cell
// written, a row added, borders removed, another document appended.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/output/rtf_document.h"

using rpt::output::rtf::RtfDocument;

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void RequireFixedPoint(const RtfDocument& d) {
  const std::string once = d.Write();
  const RtfDocument again = RtfDocument::Parse(once);
  Require(again.TableCount() == d.TableCount());
  Require(again.Write() == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  RtfDocument d = RtfDocument::Parse(in);
  // The first writing settles the document's form; from then on it holds.
  d = RtfDocument::Parse(d.Write());
  RequireFixedPoint(d);

  const int tables = d.TableCount();
  for (int t = 1; t <= tables && t <= 4; ++t) {
    const int rows = d.RowCount(t);
    Require(rows >= 1);
    Require(d.SetCellText(t, rows, 1, "\xc8\xf2\xee\xe3\xee {1,5}\r\n\\", 1));
    Require(d.CellText(t, rows, 1) == "\xc8\xf2\xee\xe3\xee {1,5}\n\\");
    Require(d.AddRow(t));
    Require(d.RowCount(t) == rows + 1);
    Require(d.RemoveBorders(t));
  }
  Require(d.TableCount() == tables);
  d.InsertBreak(rpt::output::rtf::BreakKind::Section);
  d.SetLastSectionOrientation(true);
  d.Append(RtfDocument::Parse(in));
  d.AddPageNumbers();
  d.UpdateTablesOfContents();
  (void)d.PlainText();
  RtfDocument settled = RtfDocument::Parse(d.Write());
  RequireFixedPoint(settled);
  return 0;
}
