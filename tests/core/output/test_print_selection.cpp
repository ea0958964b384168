// Which items the print commands print, around the print-start item.
#include <gtest/gtest.h>

#include "core/output/print_selection.h"

namespace rpt::output {
namespace {

// Root 0; section A 1 with items a1 2, a2 3; section B 4 with b1 5, b2 6
// (excluded), b3 7.
StructureModel Model(int printStart) {
  StructureModel m;
  m.sections.push_back({"A", false, {{"a1", ItemKind::Table, 0, "", "a1.ini"}, {"a2", ItemKind::Table, 0, "", "a2.ini"}}});
  StructureItem b2{"b2", ItemKind::Table, 0, "", "b2.ini"};
  b2.excluded = true;
  m.sections.push_back({"B", false, {{"b1", ItemKind::Table, 0, "", "b1.ini"}, b2, {"b3", ItemKind::Document, 0, "", "b3.rtf"}}});
  m.printStart = printStart;
  return m;
}

std::vector<std::string> Files(const std::vector<PrintItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.entry->file);
  return out;
}

TEST(PrintSelection, PrintStartItemBoundsReportAndSectionPrinting) {
  using V = std::vector<std::string>;
  // The items point into the model: it outlives them.
  const StructureModel none = Model(0), atA2 = Model(3), atB3 = Model(7);
  EXPECT_EQ(Files(ItemsOfReport(none)), (V{"a1.ini", "a2.ini", "b1.ini", "b3.rtf"}));
  // Starting at a2: a1 is never printed by section or report.
  EXPECT_EQ(Files(ItemsOfReport(atA2)), (V{"a2.ini", "b1.ini", "b3.rtf"}));
  // Starting at b3: section A lies wholly before it and prints nothing.
  EXPECT_TRUE(ItemsOfSection(atB3, 0).empty());
  EXPECT_EQ(Files(ItemsOfSection(atB3, 1)), (V{"b3.rtf"}));
  // One item still prints by itself, with preview; an excluded one never.
  const auto one = SingleItem(atB3, 0, 0);
  ASSERT_EQ(Files(one), (V{"a1.ini"}));
  EXPECT_TRUE(one[0].preview);
  EXPECT_TRUE(SingleItem(none, 1, 1).empty());
  EXPECT_FALSE(ItemsOfReport(none)[0].preview);
}

}  // namespace
}  // namespace rpt::output
