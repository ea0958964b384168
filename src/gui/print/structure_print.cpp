#include "gui/print/structure_print.h"

#include <QPrintDialog>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/foundation/progress.h"
#include "core/foundation/text_case.h"
#include "core/output/blank_form.h"
#include "core/output/print_selection.h"
#include "core/report/report_state.h"
#include "gui/print/print_run.h"
#include "gui/print/table_print.h"

namespace rpt::gui {

namespace {

TTable* OpenTable(const TReportState& state, const std::string& file) {
  for (const auto& t : state.tables())
    if (SameText(t.file, file)) return t.table.get();
  return nullptr;
}

void AddItem(TReportState& state, TPrintRun& run, const output::PrintItem& it) {
  if (it.entry->kind == ItemKind::Document)
    run.AddDocument(state.folders().working + Cp1251ToUtf8(it.entry->file), it.entry->title);
  else if (TTable* t = OpenTable(state, it.entry->file))
    run.AddTable(*t);
}

// The report's change marks and the tables' statuses, put back after a
// blank form: the blank belongs to no report and must leave no trace in it.
class ReportMarks {
 public:
  explicit ReportMarks(TReportState& state) : state_(state), reportChanged_(state.reportChanged) {
    for (const auto& t : state.tables()) tables_.push_back({t.table.get(), t.table->Modified(), t.table->status});
  }
  ~ReportMarks() {
    for (const auto& t : tables_) {
      if (t.table->Modified() != t.modified) t.table->SetModified(t.modified);
      t.table->status = t.status;
    }
    state_.reportChanged = reportChanged_;
  }
  ReportMarks(const ReportMarks&) = delete;
  ReportMarks& operator=(const ReportMarks&) = delete;

 private:
  struct Mark {
    TTable* table;
    bool modified;
    decltype(TTable::status) status;
  };
  TReportState& state_;
  bool reportChanged_;
  std::vector<Mark> tables_;
};

void PrintBlank(TReportState& state, int section, int item) {
  const StructureModel& model = *state.structure;
  const auto items = output::SingleItem(model, section, item);
  if (items.empty() || items[0].entry->kind != ItemKind::Table) return;
  const std::string file = items[0].entry->file;
  Interaction& ui = state.ui();
  if (state.IsModified() &&
      ui.ShowMessage(MessageKind::Confirmation,
                     Utf8ToCp1251("Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?"),
                     kYes | kNo, kYes) == kYes)
    state.Save();
  {
    // No recalculation reaches the report while the blank is opened and
    // its lists expanded: it lives on a context of its own.
    ReportMarks marks(state);
    auto table = output::OpenBlankTable(state.tableContext(), state.folders().templates, file, ui);
    if (!table) return;
    TTable* t = table.get();
    TPrintForm::Instance().PrepareTable(*t, true, std::move(table));
  }
  // The selected table's status is worked out again.
  if (TTable* t = OpenTable(state, file)) t->hooks().CheckTable(*t);
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
  // The report printed goes to the top of the recent list.
  state.RememberFolder(state.currentFolder);
  if (blank) {
    PrintBlank(state, section, item);
    return;
  }
  if (state.IsModified() &&
      ui.ShowMessage(MessageKind::Confirmation,
                     Utf8ToCp1251("Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?"),
                     kYes | kNo, kYes) == kYes)
    state.Save();
  state.RecalcAllTables();
  const StructureModel& model = *state.structure;

  // One table is previewed first; the preview's "Печать" chooses the printer.
  if (level == 2) {
    const auto items = output::SingleItem(model, section, item);
    if (items.empty()) return;
    if (items[0].entry->kind == ItemKind::Table) {
      if (TTable* t = OpenTable(state, items[0].entry->file)) form.PrepareTable(*t, true);
      return;
    }
  }
  if (!form.ChoosePrinter(parent)) return;
  TPrintRun run(form, ui);
  if (level == 0) {
    if (ui.ShowMessage(MessageKind::Confirmation,
                       Utf8ToCp1251("Вы выбрали печать всего отчета. Это может занять несколько минут.\r\nПечатать?"),
                       kYes | kNo, kNo) != kYes)
      return;
    TFormProgressD progress(&ui);
    const int sections = static_cast<int>(model.sections.size());
    progress.Start(sections, 0, Utf8ToCp1251("Печать данных. Ждите ..."), false, false, "");
    for (int s = 0; s < sections; ++s) {
      progress.StepFirst();
      for (const auto& it : output::ItemsOfSection(model, s)) AddItem(state, run, it);
    }
    progress.Finish();
  } else {
    const auto items = level == 1 ? output::ItemsOfSection(model, section) : output::SingleItem(model, section, item);
    for (const auto& it : items) AddItem(state, run, it);
  }
  run.Finish();
}

}  // namespace rpt::gui
