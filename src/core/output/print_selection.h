// Which items a print command prints: the whole report or a section from
// the print-start item on, or one item by itself.
#pragma once

#include <string>
#include <vector>

#include "core/calc/structure.h"

namespace rpt::output {

struct PrintItem {
  int section = 0;  // 0-based
  int item = 0;     // 0-based within the section
  const StructureItem* entry = nullptr;  // into the model, which must outlive it
  bool preview = false;  // a single item is previewed; several print directly
};

// Depth-first tree position of an item (root 0, then each section followed
// by its items).
int TreePosition(const StructureModel& model, int section, int item);

// The whole report: every section's items at or after the print-start item.
std::vector<PrintItem> ItemsOfReport(const StructureModel& model);
// One section (0-based): its items at or after the print-start item.
std::vector<PrintItem> ItemsOfSection(const StructureModel& model, int section);
// One item, whatever its position; nothing when it is excluded.
std::vector<PrintItem> SingleItem(const StructureModel& model, int section, int item);

}  // namespace rpt::output
