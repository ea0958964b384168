#include "gui/foundation/help.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

std::string HelpFile(const std::string& programFolder) {
  const auto help = FindEntryNoCase(programFolder, "Help");
  if (!help) return {};
  const auto file = FindEntryNoCase(WithSeparator(*help), "Report.chm");
  return file ? *file : std::string();
}

void ShowHelp(Interaction& ui, const std::string& programFolder, int topic) {
  (void)topic;
  const std::string file = HelpFile(programFolder);
  if (file.empty() || !ui.OpenDocument(file))
    ui.ShowMessage(MessageKind::Information, "Справочная система не установлена."_w, kOk, kOk);
}

void ShowAboutBox(QWidget* parent) {
  auto* box = new QDialog(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle(FromCp1251("О программе"_w));
  auto* icon = new QLabel(box);
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QVBoxLayout;
  const char* lines[] = {
      "Программа подготовки отчетов",
      "Версия 23.00, 2022 - 2023",
      "Разработчик: участники проекта ReportSystem",
      "Описание: Программа подготовки отчетов о научной деятельности вузов",
      "Изготовитель: проект ReportSystem",
  };
  for (const char* line : lines) {
    auto* label = new QLabel(QString::fromUtf8(line), box);
    label->setWordWrap(true);
    text->addWidget(label);
  }
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addLayout(text, 1);
  auto* ok = new QPushButton(FromCp1251("Дальше"_w), box);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  auto* all = new QVBoxLayout(box);
  all->addLayout(top);
  all->addSpacing(8);
  all->addLayout(buttons);
  box->setMinimumWidth(420);
  box->exec();
}

}  // namespace rpt::gui
