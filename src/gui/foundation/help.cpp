#include "gui/foundation/help.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr HelpTopic kHelpTopics[] = {
    {1, "structure-window"},  // the structure window, its tool bar
    {2, "structure-tree"},    // the tree, its pop-up menu, the status bar, the document selection
    {4, "new-report"},        // the report folder dialog
    {5, "tables-frame"},      // the tables frame, its tool bar and "Справка" items
    {27, "row-menu"},         // the cell pop-up menu
    {103, "imports"},         // menu "Данные"
    {105, "subreports"},      // menu "Подотчет"
    {106, "printing"},        // menu "Печать"
    {107, "sending"},         // menu "Отправка"
    {108, "help"},            // menu "Справка"
    {201, ""},                // "Содержание": the contents
    {2003, "sorting"},        // the sort dialog
    {4000, "keyboard"},       // "Клавиатура"
};

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::span<const HelpTopic> HelpTopics() { return kHelpTopics; }

std::string_view HelpAnchor(int topic) {
  for (const HelpTopic& t : kHelpTopics)
    if (t.topic == topic) return t.anchor;
  return {};
}

std::string HelpFolder(const FolderSet& folders) {
  // The installation's "Help/" holds its "Data/".
  std::string installed = folders.installData;
  if (installed.ends_with("Data/")) installed.resize(installed.size() - 5);
  for (const std::string& help : {folders.program + "Help/", installed}) {
    const std::string html = help + "html/";
    if (IsFile(html + "index.html")) return html;
  }
  return {};
}

std::string HelpAddress(const std::string& helpFolder, int topic) {
  const std::string_view anchor = HelpAnchor(topic);
  std::string page = helpFolder + "go/" + std::string(anchor) + ".html";
  if (anchor.empty() || !IsFile(page)) page = helpFolder + "index.html";
  return QUrl::fromLocalFile(QString::fromStdString(page)).toString(QUrl::FullyEncoded).toStdString();
}

void ShowHelp(Interaction& ui, const FolderSet& folders, int topic) {
  const std::string help = HelpFolder(folders);
  if (help.empty()) {
    ui.ShowMessage(MessageKind::Information, "Справочная система не установлена."_w, kOk, kOk);
    return;
  }
  // The help is there but no browser took it: say where it lies, so that
  // it can be opened by hand.
  if (!ui.OpenAddress(HelpAddress(help, topic)))
    ui.ShowMessage(MessageKind::Warning,
                   std::string("Не удается открыть справку в браузере. Справка находится в файле "_w) +
                       Utf8ToCp1251(help + "index.html"),
                   kOk, kOk);
}

void OnHelpKey(QWidget* window, std::function<void()> show) {
  auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, window, std::move(show));
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
