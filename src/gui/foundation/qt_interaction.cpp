#include "gui/foundation/qt_interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "gui/foundation/qt_text.h"
#include "gui/foundation/progress_windows.h"

namespace rpt::gui {

namespace {

QMessageBox::Icon IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQt(const QString& s) { return s.toUtf8().toStdString(); }

// The port's filters pair a description with its patterns, "|"-separated
// ("Текстовый файл (*.txt)|*.txt|Все файлы (*.*)|*.*"); Qt wants one entry
// per description with the patterns in parentheses, ";;"-separated.
QString QtFilter(std::string_view filter) {
  const QStringList parts = FromCp1251(filter).split('|');
  if (parts.size() < 2) return parts.value(0);
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    entries << (description.contains('(') ? description
                                          : description + " (" + QString(parts[i + 1]).replace(';', ' ') + ")");
  }
  return entries.join(";;");
}

}  // namespace

Button QtInteraction::ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                                  Button defaultButton) {
  QMessageBox box(IconFor(kind), FromCp1251(MessageTitle(kind)), FromCp1251(text), QMessageBox::NoButton,
                  parent_);
  if (buttons == kNoButton) buttons = kOk;
  std::pair<Button, QAbstractButton*> added[4];
  int count = 0;
  for (Button b : {kYes, kNo, kOk, kCancel}) {
    if (!(buttons & b)) continue;
    const auto role = (b == kYes || b == kOk) ? QMessageBox::AcceptRole
                      : b == kNo             ? QMessageBox::NoRole
                                             : QMessageBox::RejectRole;
    QPushButton* button = box.addButton(FromCp1251(ButtonCaption(b)), role);
    if (b == defaultButton) box.setDefaultButton(button);
    added[count++] = {b, button};
  }
  box.exec();
  for (int i = 0; i < count; ++i)
    if (box.clickedButton() == added[i].second) return added[i].first;
  // Closed with Escape or the close box: the cancelling answer.
  if (buttons & kCancel) return kCancel;
  if (buttons & kNo) return kNo;
  return kOk;
}

std::optional<std::string> QtInteraction::ChooseFolder(std::string_view caption, const std::string& start) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, FromCp1251(caption), Utf8(start));
  if (folder.isEmpty()) return std::nullopt;
  return FromQt(folder);
}

std::optional<std::string> QtInteraction::ChooseOpenFile(std::string_view caption, std::string_view filter,
                                                         const std::string& start) {
  const QString file = QFileDialog::getOpenFileName(parent_, FromCp1251(caption), Utf8(start), QtFilter(filter));
  if (file.isEmpty()) return std::nullopt;
  return FromQt(file);
}

std::optional<std::string> QtInteraction::ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                         const std::string& start) {
  const QString file = QFileDialog::getSaveFileName(parent_, FromCp1251(caption), Utf8(start), QtFilter(filter));
  if (file.isEmpty()) return std::nullopt;
  return FromQt(file);
}

void QtInteraction::ProgressShow(ProgressWindow window, std::string_view caption, bool stoppable,
                                 bool secondBar) {
  ProgressClose(window);
  QWidget* shown;
  if (window == ProgressWindow::Single) {
    single_ = new TFormProgressWindow(FromCp1251(caption), stoppable);
    shown = single_;
  } else {
    double_ = new TFormProgressDWindow(FromCp1251(caption), stoppable, secondBar);
    shown = double_;
  }
  shown->show();
  PlaceBottomRight(shown);
  shown->raise();
  QApplication::processEvents();
}

void QtInteraction::ProgressUpdate(ProgressWindow window, int bar, int position, std::string_view text) {
  if (window == ProgressWindow::Single) {
    if (!single_ || bar != 0) return;
    single_->SetPosition(position);
    if (!text.empty()) single_->SetCaption(FromCp1251(text));
  } else {
    if (!double_ || bar < 0 || bar > 1) return;
    double_->SetPosition(bar, position);
    if (!text.empty()) double_->SetText(bar, FromCp1251(text));
  }
}

void QtInteraction::ProgressClose(ProgressWindow window) {
  if (window == ProgressWindow::Single)
    delete single_;
  else
    delete double_;
}

bool QtInteraction::ProgressStopRequested(ProgressWindow window) {
  if (window == ProgressWindow::Single) return single_ && single_->TakeStopRequest();
  return double_ && double_->TakeStopRequest();
}

void QtInteraction::ProcessEvents() { QApplication::processEvents(); }

bool QtInteraction::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(Utf8(path)));
}

bool QtInteraction::OpenAddress(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(Utf8(url)));
}

bool QtInteraction::StartProgram(const std::string& program, const std::vector<std::string>& args) {
  QStringList list;
  for (const auto& a : args) list << Utf8(a);
  return QProcess::startDetached(Utf8(program), list);
}

}  // namespace rpt::gui
