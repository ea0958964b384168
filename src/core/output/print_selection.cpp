#include "core/output/print_selection.h"

namespace rpt::output {

int TreePosition(const StructureModel& model, int section, int item) {
  int pos = 0;
  for (int s = 0; s < static_cast<int>(model.sections.size()); ++s) {
    ++pos;
    if (s == section) return pos + item + 1;
    pos += static_cast<int>(model.sections[s].items.size());
  }
  return pos;
}

namespace {

bool Printable(const StructureSection& s, const StructureItem& i) { return !s.excluded && !i.excluded; }

void AddSection(const StructureModel& model, int s, std::vector<PrintItem>& out) {
  const StructureSection& sec = model.sections[s];
  for (int i = 0; i < static_cast<int>(sec.items.size()); ++i)
    if (Printable(sec, sec.items[i]) && TreePosition(model, s, i) >= model.printStart)
      out.push_back({s, i, &sec.items[i], false});
}

}  // namespace

std::vector<PrintItem> ItemsOfReport(const StructureModel& model) {
  std::vector<PrintItem> out;
  for (int s = 0; s < static_cast<int>(model.sections.size()); ++s)
    if (!model.sections[s].excluded) AddSection(model, s, out);
  return out;
}

std::vector<PrintItem> ItemsOfSection(const StructureModel& model, int section) {
  std::vector<PrintItem> out;
  if (section >= 0 && section < static_cast<int>(model.sections.size()) && !model.sections[section].excluded)
    AddSection(model, section, out);
  return out;
}

std::vector<PrintItem> SingleItem(const StructureModel& model, int section, int item) {
  if (section < 0 || section >= static_cast<int>(model.sections.size())) return {};
  const StructureSection& sec = model.sections[section];
  if (item < 0 || item >= static_cast<int>(sec.items.size()) || !Printable(sec, sec.items[item])) return {};
  return {{section, item, &sec.items[item], true}};
}

}  // namespace rpt::output
