// The RTF syntax and the document model of the word-processor export:
// what is read is written back meaning the same, tables are found however
// their rows are written, and the export's operations change only what
// they must.
#include <gtest/gtest.h>

#include <string>

#include "core/output/rtf_document.h"
#include "support/text.h"

namespace rpt::output::rtf {
namespace {

using testing::W;

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

TEST(RtfSyntax, ReadsAndWritesTheSameStream) {
  // input, written form
  const std::pair<std::string, std::string> cases[] = {
      {"{\\b bold}\\par", "{\\b bold}\\par\r\n"},
      {"a\\'c0\\'E9b", "a\\'c0\\'e9b"},                  // code-page bytes as escapes
      {"x\\{y\\}\\\\z", "x\\{y\\}\\\\z"},                // escaped braces and backslash
      {"\\fs24 12\r\n3", "\\fs24 123"},                  // line ends mean nothing
      {"\\li-120\\u1040?", "\\li-120\\u1040 ?"},         // negative parameters; \u with its fallback
      {"\\bin3 a}{rest", "\\bin3 a}{rest"},              // binary data is not syntax
      {"\\bin99 ab", "\\bin2 ab"},                       // a \bin takes what is there
      {"\\~\\-\\_\\*", "\\~\\-\\_\\*"},                  // control symbols
      {"a\\\nb", "a\\par b"},                         // backslash and line end is a paragraph
      {"\\par99999999999", "\\par2147483647\r\n"},           // parameters clamped
      {"trail\\", "trail"},                              // a lone backslash at the end
      {"\\'zz\\'4", "zz"},                               // broken escapes dropped
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(ToRtf(Tokenize(in)), out) << in;
    EXPECT_EQ(ToRtf(Tokenize(out)), out) << "written form reads back: " << out;
  }
  std::vector<Token> text;
  AppendText(text, W("Итого\r\n\t1"));
  EXPECT_EQ(ToRtf(text), "\\u1048 \\'c8\\u1090 \\'f2\\u1086 \\'ee\\u1075 \\'e3\\u1086 \\'ee\\line\\tab 1");
}

// A template as the installation writes them: a heading table, a title,
// the data table with its headings and one empty row, a signature table.
const char* kTemplate =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\froman\\fcharset204 Times New Roman;}"
    "{\\f1\\fswiss\\fcharset204 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
    "{\\stylesheet{\\ql\\f0\\fs24 Normal;}{\\s2\\ql\\outlinelevel1\\b\\f0\\fs24 heading 2;}}"
    "\\paperw16838\\paperh11906\\landscape\\sectd\\lndscpsxn\n"
    "\\trowd\\trgaph70\\cellx9638\\pard\\plain\\intbl\\qc\\f0\\fs22 (org)\\cell\\row\n"
    "\\pard\\plain\\s2\\outlinelevel1\\qc\\f0\\fs24\\b Title of the table\\par\n"
    "\\trowd\\clbrdrt\\brdrs\\brdrw10\\cellx3000\\clbrdrt\\brdrs\\brdrw10\\cellx6000"
    "\\pard\\plain\\intbl\\qc\\f1\\fs18\\b Head A\\cell\\pard\\plain\\intbl\\qc\\f1\\fs18\\b Head B\\cell\\row\n"
    "\\trowd\\clbrdrt\\brdrs\\brdrw10\\cellx3000\\clbrdrt\\brdrs\\brdrw10\\cellx6000"
    "\\pard\\plain\\intbl\\qc\\f1\\fs18 \\cell\\pard\\plain\\intbl\\qr\\f1\\fs18 \\cell\\row\n"
    "\\pard\\plain\\par\n"
    "\\trowd\\cellx3000\\cellx6000\\cellx9000\\pard\\plain\\intbl (position)\\cell ____\\cell (name)\\cell\\row\n"
    "\\trowd\\cellx3000\\cellx6000\\cellx9000\\pard\\plain\\intbl \\cell\\cell\\cell\\row\n"
    "\\trowd\\cellx3000\\cellx6000\\cellx9000\\pard\\plain\\intbl (position)\\cell ____\\cell (name)\\cell\\row\n"
    "\\pard\\plain\\par}";

TEST(RtfDocument, FindsTablesRowsAndCells) {
  const RtfDocument d = RtfDocument::Parse(kTemplate);
  ASSERT_EQ(d.TableCount(), 3);
  EXPECT_EQ(d.RowCount(1), 1);
  EXPECT_EQ(d.RowCount(2), 2);
  EXPECT_EQ(d.RowCount(3), 3);
  EXPECT_EQ(d.CellCount(3, 1), 3);
  EXPECT_EQ(d.CellText(2, 1, 2), "Head B");
  EXPECT_EQ(d.CellText(3, 3, 3), "(name)");
  EXPECT_EQ(d.CellText(4, 1, 1), "");

  // Rows as Word writes them: cells in groups, the row's definition
  // repeated in a group that holds the \row; a paragraph of two lines in
  // a cell; a nested table and a field inside a cell.
  const RtfDocument w = RtfDocument::Parse(
      "{\\rtf1\\pard\\plain first\\par"
      "\\trowd\\irow0\\cellx2000\\cellx4000\\pard\\plain\\intbl{A\\par second line\\cell}"
      "{\\field{\\*\\fldinst PAGE}{\\fldrslt 3\\cell}}{B\\cell}\\pard\\plain\\intbl{\\trowd\\irow0\\cellx2000\\cellx4000\\row}"
      "\\trowd\\irow1\\cellx2000\\cellx4000\\pard\\plain\\intbl{C\\cell}{D\\nestcell\\nestrow E\\cell}"
      "\\pard\\plain\\intbl{\\trowd\\irow1\\cellx2000\\cellx4000\\row}\\pard\\plain after\\par}");
  ASSERT_EQ(w.TableCount(), 1);
  EXPECT_EQ(w.RowCount(1), 2);
  EXPECT_EQ(w.CellText(1, 1, 1), "A\nsecond line");
  EXPECT_EQ(w.CellText(1, 1, 2), "B");
  EXPECT_EQ(w.CellText(1, 2, 2), "DE");
  EXPECT_EQ(w.PlainText(), "first\nA\nsecond line\tB\nC\tDE\nafter\n");

  // Formatting alone between two rows keeps them one table; a paragraph
  // parts them; no \cell, no row.
  EXPECT_EQ(RtfDocument::Parse("{\\rtf1\\trowd\\cellx1\\intbl a\\cell\\row\\pard\\trowd\\cellx1\\intbl b\\cell\\row}").TableCount(), 1);
  EXPECT_EQ(RtfDocument::Parse("{\\rtf1\\trowd\\cellx1\\intbl a\\cell\\row\\pard\\par\\trowd\\cellx1\\intbl b\\cell\\row}").TableCount(), 2);
  EXPECT_EQ(RtfDocument::Parse("{\\rtf1\\trowd\\cellx1\\intbl a\\row}").TableCount(), 0);
  EXPECT_EQ(RtfDocument::Parse("not rtf at all").PlainText(), "not rtf at all");
}

TEST(RtfDocument, WritingACellKeepsItsFormatting) {
  RtfDocument d = RtfDocument::Parse(kTemplate);
  ASSERT_TRUE(d.SetCellText(2, 2, 1, W("Всего, тыс. руб."), 1));
  ASSERT_TRUE(d.SetCellText(2, 2, 2, "1,5", 0));
  ASSERT_TRUE(d.SetCellText(1, 1, 1, W("МГУ")));
  EXPECT_FALSE(d.SetCellText(2, 3, 1, "x"));
  EXPECT_FALSE(d.SetCellText(2, 2, 3, "x"));
  EXPECT_FALSE(d.SetCellText(9, 1, 1, "x"));
  EXPECT_EQ(d.CellText(2, 2, 1), W("Всего, тыс. руб."));
  EXPECT_EQ(d.CellText(1, 1, 1), W("МГУ"));
  const std::string rtf = d.Write();
  // The cell's paragraph and font stay; bold is set or cleared as asked;
  // the heading's own bold stays.
  EXPECT_TRUE(Has(rtf, "\\pard\\plain\\intbl\\qr\\f1\\fs18{\\uc1\\b0 1,5}\\cell")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\intbl\\qc\\f1\\fs18{\\uc1\\b\\u1042 \\'c2")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\intbl\\qc\\f0\\fs22{\\uc1\\u1052 \\'cc")) << rtf;
  EXPECT_FALSE(Has(rtf, "(org)"));
  // What is written reads back the same.
  const RtfDocument again = RtfDocument::Parse(rtf);
  EXPECT_EQ(again.Write(), rtf);
  EXPECT_EQ(again.CellText(2, 2, 2), "1,5");
}

TEST(RtfDocument, RowsAddedAndBordersRemoved) {
  RtfDocument d = RtfDocument::Parse(kTemplate);
  ASSERT_TRUE(d.SetCellText(2, 2, 1, "one"));
  ASSERT_TRUE(d.AddRow(2));
  ASSERT_TRUE(d.SetCellText(2, 3, 2, "two"));
  EXPECT_EQ(d.RowCount(2), 3);
  EXPECT_EQ(d.TableCount(), 3);
  EXPECT_EQ(d.CellText(2, 3, 1), "");  // the copy starts empty
  EXPECT_EQ(d.CellText(2, 2, 1), "one");
  // The table after it still answers by its rows.
  ASSERT_TRUE(d.SetCellText(3, 3, 3, "last"));
  EXPECT_EQ(d.CellText(3, 3, 3), "last");
  EXPECT_FALSE(d.AddRow(4));

  ASSERT_TRUE(d.RemoveBorders(2));
  const std::string rtf = d.Write();
  EXPECT_FALSE(Has(rtf, "\\brdrs")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\clbrdrr\\brdrnone\\cellx6000"));
  EXPECT_EQ(RtfDocument::Parse(rtf).RowCount(2), 3);

  // Text that stood between a brace and a word that names a destination:
  // cleared, the group must not turn into that destination and hide the cell.
  RtfDocument g = RtfDocument::Parse("{\\rtf1\\trowd\\cellx1\\pard\\intbl{old\\fonttbl kept}\\cell\\row}");
  ASSERT_TRUE(g.SetCellText(1, 1, 1, "new"));
  ASSERT_TRUE(g.AddRow(1));
  const RtfDocument g2 = RtfDocument::Parse(g.Write());
  EXPECT_EQ(g2.RowCount(1), 2);
  EXPECT_EQ(g2.CellCount(1, 2), 1);
  EXPECT_EQ(g2.CellText(1, 1, 1), "new");
}

TEST(RtfDocument, SectionsOrientationAndPageNumbers) {
  RtfDocument d;
  EXPECT_EQ(d.SectionCount(), 1);
  EXPECT_FALSE(d.SectionLandscape(1));
  d.Append(RtfDocument::Parse(kTemplate));
  d.InsertBreak(BreakKind::Page);
  d.InsertBreak(BreakKind::Section);
  d.SetLastSectionOrientation(true);
  d.Append(RtfDocument::Parse(kTemplate));
  EXPECT_EQ(d.TableCount(), 6);
  EXPECT_EQ(d.SectionCount(), 2);
  EXPECT_FALSE(d.SectionLandscape(1));  // an inserted file's page setup is not taken over
  EXPECT_TRUE(d.SectionLandscape(2));
  d.AddPageNumbers();
  const std::string rtf = d.Write();
  EXPECT_TRUE(Has(rtf, "\\sect\r\n\\sectd\\lndscpsxn\\pgwsxn16838\\pghsxn11906")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\titlepg{\\footerf\\pard\\plain\\par\r\n}{\\footer\\pard\\plain\\qc{\\field{\\*\\fldinst  PAGE }"));
  // Each section carries the footer; only the first hides it on its first page.
  const auto second = rtf.find("\\sect\r\n");
  EXPECT_TRUE(Has(rtf.substr(second), "{\\footer\\pard"));
  EXPECT_FALSE(Has(rtf.substr(second), "titlepg"));
  const RtfDocument again = RtfDocument::Parse(rtf);
  EXPECT_EQ(again.SectionCount(), 2);
  EXPECT_TRUE(again.SectionLandscape(2));
  EXPECT_EQ(again.Write(), rtf);

  // Set up for printing: every section upright on A4, margins kept.
  RtfDocument printed = RtfDocument::Parse(kTemplate);
  printed.SetPortraitA4();
  const std::string p = printed.Write();
  EXPECT_FALSE(Has(p, "landscape")) << p;
  EXPECT_FALSE(Has(p, "lndscpsxn")) << p;
  EXPECT_TRUE(Has(p, "\\paperw11906\\paperh16838")) << p;
  d.SetPortraitA4();
  EXPECT_FALSE(d.SectionLandscape(2));
  EXPECT_TRUE(Has(d.Write(), "\\sect\r\n\\sectd\\pgwsxn11906\\pghsxn16838\\marglsxn1134"));
}

TEST(RtfDocument, AppendingJoinsFontsColoursAndStyles) {
  RtfDocument d = RtfDocument::Parse(kTemplate);
  d.Append(RtfDocument::Parse(
      "{\\rtf1\\deff3{\\fonttbl{\\f3\\fswiss\\fcharset204 Arial;}{\\f7\\fnil Courier;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}"
      "{\\stylesheet{\\s5\\outlinelevel1 heading 2;}{\\s6\\sbasedon5 Quote;}}"
      "\\pard\\plain\\s5\\f7\\cf1 red\\cf2 black\\par\\pard\\plain\\s6 q\\par}"));
  const std::string rtf = d.Write();
  EXPECT_TRUE(Has(rtf, "{\\f2\\fnil Courier;}")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\red255\\green0\\blue0 ;}")) << rtf;
  // heading 2 is the same style here; Quote comes in under the lowest
  // number free.
  EXPECT_TRUE(Has(rtf, "{\\s1\\sbasedon2 Quote;}")) << rtf;
  // The default font there (Arial) is \f1 here: after \plain it is said.
  EXPECT_TRUE(Has(rtf, "\\pard\\plain\\f1\\s2\\f2\\cf2 red\\cf1 black\\par")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\pard\\plain\\f1\\s1 q\\par")) << rtf;
}

TEST(RtfDocument, TableOfContentsPointsAtTheHeadings) {
  RtfDocument d = RtfDocument::Parse(
      "{\\rtf1{\\stylesheet{\\s1\\outlinelevel0 heading 1;}}"
      "\\pard\\plain{\\field{\\*\\fldinst { TOC \\\\o \"1-2\" \\\\h }}{\\fldrslt {old}}}\\par"
      "\\pard\\plain\\s1 Chapter\\par\\pard\\plain\\outlinelevel1 Part\\par"
      "\\pard\\plain\\outlinelevel2 Too deep\\par\\pard\\plain body\\par}");
  EXPECT_EQ(d.UpdateTablesOfContents(), 1);
  const std::string rtf = d.Write();
  EXPECT_FALSE(Has(rtf, "old"));
  EXPECT_TRUE(Has(rtf, "{\\uc1 Chapter}\\tab{\\field{\\*\\fldinst  PAGEREF _RptToc1 \\\\h }")) << rtf;
  EXPECT_TRUE(Has(rtf, "\\li283")) << rtf;
  EXPECT_TRUE(Has(rtf, "{\\*\\bkmkstart _RptToc1}Chapter{\\*\\bkmkend _RptToc1}\\par")) << rtf;
  EXPECT_TRUE(Has(rtf, "{\\*\\bkmkstart _RptToc2}Part{\\*\\bkmkend _RptToc2}\\par")) << rtf;
  EXPECT_FALSE(Has(rtf, "_RptToc3"));

  // A heading paragraph that holds the field itself: the bookmark starts
  // at the heading's own text, after the entries.
  RtfDocument h = RtfDocument::Parse(
      "{\\rtf1\\pard\\outlinelevel0{\\field{\\*\\fldinst TOC \\\\o \"1-1\"}{\\fldrslt a long old result}} Head\\par}");
  EXPECT_EQ(h.UpdateTablesOfContents(), 1);
  const std::string hr = h.Write();
  EXPECT_TRUE(Has(hr, "\\par\r\n}{\\*\\bkmkstart _RptToc1} Head{\\*\\bkmkend _RptToc1}\\par")) << hr;
  EXPECT_EQ(RtfDocument::Parse(hr).Write(), hr);
}

}  // namespace
}  // namespace rpt::output::rtf
