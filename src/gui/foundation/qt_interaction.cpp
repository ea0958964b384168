#include "gui/foundation/qt_interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>

#include "gui/foundation/qt_text.h"

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
  const QString file = QFileDialog::getOpenFileName(parent_, FromCp1251(caption), Utf8(start), FromCp1251(filter));
  if (file.isEmpty()) return std::nullopt;
  return FromQt(file);
}

std::optional<std::string> QtInteraction::ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                         const std::string& start) {
  const QString file = QFileDialog::getSaveFileName(parent_, FromCp1251(caption), Utf8(start), FromCp1251(filter));
  if (file.isEmpty()) return std::nullopt;
  return FromQt(file);
}

// A plain progress dialog until the progress windows proper arrive with the
// desktop program's structure window.
void QtInteraction::ProgressShow(ProgressWindow window, std::string_view caption, bool stoppable,
                                 bool secondBar) {
  const int i = static_cast<int>(window);
  if (!progress_[i]) progress_[i] = new QProgressDialog(parent_);
  progress_[i]->setAutoClose(false);
  progress_[i]->setAutoReset(false);
  progress_[i]->setWindowTitle(FromCp1251(caption));
  progress_[i]->setRange(0, 25);
  progress_[i]->setValue(0);
  if (!stoppable) progress_[i]->setCancelButton(nullptr);
  (void)secondBar;  // the double window's second bar comes with the desktop windows
  progress_[i]->show();
  QApplication::processEvents();
}

void QtInteraction::ProgressUpdate(ProgressWindow window, int bar, int position, std::string_view text) {
  const int i = static_cast<int>(window);
  if (!progress_[i] || bar != 0) return;
  progress_[i]->setValue(position);
  if (!text.empty()) progress_[i]->setLabelText(FromCp1251(text));
}

void QtInteraction::ProgressClose(ProgressWindow window) {
  const int i = static_cast<int>(window);
  delete progress_[i];
}

bool QtInteraction::ProgressStopRequested(ProgressWindow window) {
  const int i = static_cast<int>(window);
  if (!progress_[i] || !progress_[i]->wasCanceled()) return false;
  // Cancelling hides the dialog; it stays up until the core has asked
  // whether to stop, and closes it when the answer is yes.
  const int value = progress_[i]->value();
  progress_[i]->reset();
  progress_[i]->setValue(value);
  progress_[i]->show();
  return true;
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
