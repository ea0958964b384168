#include "core/calc/checking_engine.h"

#include <vector>

namespace rpt {

void TCheckingEngine::Attach(const ReportEngineView& view) {
  TCalcHooks::Attach(view);
  std::vector<checks::CheckedTable> tables;
  tables.reserve(view.tables.size());
  for (const ReportTableRef& ref : view.tables)
    if (ref.table) tables.push_back({ref.table, ref.itemTitle});
  checker_.SetTables(std::move(tables));
}

}  // namespace rpt
