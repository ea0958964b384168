#include "gui/calc/summary_dialogs.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/foundation/qt_text.h"

namespace rpt::gui {

namespace texts = checks::texts;

namespace {

struct Choice {
  std::string_view caption;
  int result;
};

// A modal summary: the explanation, the list and the buttons; closing it
// counts as the last (cancelling) button.
int ShowSummary(std::string_view caption, std::string_view explanation, const std::vector<std::string>& lines,
                int selectedLine, const std::vector<Choice>& choices, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setObjectName("FormSummary");
  dialog.setWindowTitle(FromCp1251(caption));
  dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* text = new QLabel(FromCp1251(explanation), &dialog);
  text->setWordWrap(true);
  auto* list = new QListWidget(&dialog);
  list->setObjectName("SummaryList");
  for (const std::string& line : lines) list->addItem(FromCp1251(line));
  if (selectedLine >= 0 && selectedLine < list->count()) list->setCurrentRow(selectedLine);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (const Choice& c : choices) {
    auto* b = new QPushButton(FromCp1251(c.caption), &dialog);
    const int result = c.result;
    QObject::connect(b, &QPushButton::clicked, &dialog, [&dialog, result] { dialog.done(result); });
    b->setDefault(&c == &choices.back());
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
  dialog.resize(560, 360);
  const int answer = dialog.exec();
  return answer == QDialog::Rejected ? choices.back().result : answer;
}

}  // namespace

checks::ErrorsSummaryAnswer ShowErrorsSummary(const std::vector<std::string>& lines, QWidget* parent) {
  using A = checks::ErrorsSummaryAnswer;
  const int answer = ShowSummary(texts::kErrorsCaption, texts::kErrorsExplanation, lines,
                                 checks::kErrorsSummaryFirstTableLine,
                                 {{texts::kSendWithRemarks, 10 + static_cast<int>(A::SendAnyway)},
                                  {texts::kDetails, 10 + static_cast<int>(A::Details)},
                                  {texts::kCancelSending, 10 + static_cast<int>(A::Cancel)}},
                                 parent);
  return static_cast<A>(answer - 10);
}

checks::EmptySummaryAnswer ShowEmptySummary(const std::vector<std::string>& lines, QWidget* parent) {
  using A = checks::EmptySummaryAnswer;
  const int answer = ShowSummary(texts::kEmptyCaption, texts::kEmptyExplanation, lines, -1,
                                 {{texts::kSendReport, 10 + static_cast<int>(A::SendAnyway)},
                                  {texts::kCancelSending, 10 + static_cast<int>(A::Cancel)}},
                                 parent);
  return static_cast<A>(answer - 10);
}

}  // namespace rpt::gui
