#include "gui/print/structure_print.h"

#include <QPrintDialog>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/output/blank_form.h"
#include "core/output/print_selection.h"
#include "core/report/report_state.h"
#include "core/foundation/text_case.h"
#include "gui/print/table_print.h"

namespace rpt::gui {

namespace {

TTable* OpenTable(const TReportState& state, const std::string& file) {
  for (const auto& t : state.tables())
    if (SameText(t.file, file)) return t.table.get();
  return nullptr;
}

}  // namespace

void ChoosePrinter(TReportState& state, QWidget* parent) {
  TPrintForm& form = TPrintForm::Instance();
  form.SetInteraction(&state.ui());
  QPrintDialog dialog(&form.Printer(), parent);
  dialog.exec();
}

void PrintSelection(TReportState& state, QWidget* parent, int level, int section, int item, bool blank) {
  if (state.tables().empty() || !state.structure) return;
  Interaction& ui = state.ui();
  TPrintForm& form = TPrintForm::Instance();
  form.SetInteraction(&ui);
  form.SetOwner(parent);
  if (state.IsModified() &&
      ui.ShowMessage(MessageKind::Confirmation,
                     Utf8ToCp1251("Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?"),
                     kYes | kNo, kYes) == kYes)
    state.Save();
  if (!blank) state.RecalcAllTables();
  const StructureModel& model = *state.structure;

  std::vector<output::PrintItem> items;
  if (level == 0) {
    if (ui.ShowMessage(MessageKind::Confirmation,
                       Utf8ToCp1251("Вы выбрали печать всего отчета. Это может занять несколько минут.\r\nПечатать?"),
                       kYes | kNo, kNo) != kYes)
      return;
    items = output::ItemsOfReport(model);
  } else if (level == 1) {
    items = output::ItemsOfSection(model, section);
  } else {
    items = output::SingleItem(model, section, item);
  }
  if (items.empty()) return;

  // One item is previewed first; the preview's "Печать" chooses the printer.
  if (items.size() == 1 && items[0].preview && items[0].entry->kind == ItemKind::Table) {
    if (blank) {
      auto table = output::OpenBlankTable(state.tableContext(), state.folders().templates, items[0].entry->file, ui);
      if (!table) return;
      TTable* t = table.get();
      form.PrepareTable(*t, true, std::move(table));
      return;
    }
    if (TTable* t = OpenTable(state, items[0].entry->file)) form.PrepareTable(*t, true);
    return;
  }
  if (!form.ChoosePrinter(parent)) return;
  std::vector<TTable*> tables;
  int documents = 0;
  for (const auto& it : items) {
    if (it.entry->kind == ItemKind::Document) {
      ++documents;
      continue;
    }
    if (TTable* t = OpenTable(state, it.entry->file)) tables.push_back(t);
  }
  if (!tables.empty() && form.PrintTables(tables)) form.OfferToOpenPdf();
  if (documents > 0)
    ui.ShowMessage(MessageKind::Information,
                   Utf8ToCp1251("Документы отчета печатаются из текстового редактора: откройте их командой "
                                "\"Редактирование\"."),
                   kOk, kOk);
}

}  // namespace rpt::gui
