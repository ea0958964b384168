#include "gui/import/import_commands.h"

#include "core/import/last_year_import.h"
#include "core/import/this_year_import.h"
#include "gui/import/import_dialogs.h"

namespace rpt::gui {

namespace {

void ShowProtocol(const ImportProtocol& protocol, QWidget* parent) {
  TImportProt dialog(protocol, parent);
  dialog.exec();
}

}  // namespace

void ImportFromLastYear(TReportState& state, QWidget* parent) {
  TLastYearImport import(state);
  TImportLastYearDlg dialog(import.ListLines(), parent);
  if (dialog.exec() != QDialog::Accepted) return;
  import.showProtocol = [parent](const ImportProtocol& p) { ShowProtocol(p, parent); };
  import.ChooseAndImport(dialog.SelectedEntries());
}

void ImportFromThisYear(TReportState& state, QWidget* parent) {
  TThisYearImport import(state);
  import.chooseTitles = [parent](const std::vector<std::string>& titles) -> std::optional<std::vector<std::string>> {
    TDlgImportFromThisYear dialog(titles, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.SelectedTitles();
  };
  import.showProtocol = [parent](const ImportProtocol& p) { ShowProtocol(p, parent); };
  import.Run();
}

}  // namespace rpt::gui
