#include "core/foundation/progress.h"

#include <algorithm>
#include <cstdint>

#include "core/foundation/codec.h"

namespace rpt {

using namespace literals;

std::string_view StopQuestion() { return "Вы действительно хотите прервать процесс?"_w; }

void ProgressCounter::Reset(int total) {
  steps_ = 0;
  position_ = 0;
  total_ = std::max(total, 0);
  scale_ = static_cast<double>(total_) / kPositions;
}

int ProgressCounter::PositionFor(int k, int total) {
  if (total <= 0) return 0;
  // k / (total / 25) in integers, so that ties are ties exactly.
  const std::int64_t num = static_cast<std::int64_t>(k) * kPositions;
  std::int64_t q = num / total;
  const std::int64_t twice = 2 * (num % total);
  if (twice > total || (twice == total && (q % 2) != 0)) ++q;
  return static_cast<int>(std::min<std::int64_t>(q, kPositions));
}

bool ProgressCounter::Step() {
  if (total_ <= 0) return false;
  ++steps_;
  const int p = PositionFor(steps_, total_);
  if (p == position_) return false;
  position_ = p;
  return true;
}

// --- single window -----------------------------------------------------------

TFormProgress::~TFormProgress() { Finish(); }

void TFormProgress::Start(int total, std::string_view caption, bool stoppable) {
  exists_ = true;
  hidden_ = false;
  stop_ = false;
  stoppable_ = stoppable;
  bar_.Reset(total);
  caption_ = caption;
  if (!ui_) return;
  ui_->ProgressShow(ProgressWindow::Single, caption, stoppable, false);
  ui_->ProcessEvents();
}

void TFormProgress::Reset(int position, int total, std::string_view caption) {
  if (total != -1) {
    const int keep = bar_.position();
    bar_.Reset(total);
    bar_.SetPosition(keep);
  }
  if (position != -1) bar_.SetPosition(position);
  if (!caption.empty()) caption_ = caption;
  if (ui_ && shown()) ui_->ProgressUpdate(ProgressWindow::Single, 0, bar_.position(), caption);
}

void TFormProgress::PollStop() {
  if (!ui_ || !shown() || !stoppable_ || stop_) return;
  if (!ui_->ProgressStopRequested(ProgressWindow::Single)) return;
  if (ui_->ShowMessage(MessageKind::Confirmation, StopQuestion(), kYes | kNo) != kYes) return;
  stop_ = true;
  hidden_ = true;
  ui_->ProgressClose(ProgressWindow::Single);
}

void TFormProgress::Step() {
  if (exists_) {
    if (stoppable_ && ui_) {
      ui_->ProcessEvents();
      PollStop();
    }
    if (bar_.Step() && ui_ && shown())
      ui_->ProgressUpdate(ProgressWindow::Single, 0, bar_.position(), {});
  }
  if (ui_) ui_->ProcessEvents();
}

bool TFormProgress::StopRequested() {
  PollStop();
  return stop_;
}

void TFormProgress::Finish() {
  if (!exists_) return;
  exists_ = false;
  if (ui_ && !hidden_) ui_->ProgressClose(ProgressWindow::Single);
  hidden_ = false;
}

// --- double window -----------------------------------------------------------

TFormProgressD::~TFormProgressD() { Finish(); }

int TFormProgressD::ClientHeight(bool showStop, bool showSecond) {
  if (showSecond) return showStop ? 100 : 70;
  return showStop ? 60 : 30;
}

void TFormProgressD::Start(int total1, int total2, std::string_view caption, bool showStop,
                           bool showSecond, std::string_view secondCaption) {
  exists_ = true;
  stop_ = false;
  showStop_ = showStop;
  bars_[0].Reset(total1);
  bars_[1].Reset(total2);
  if (!ui_) return;
  ui_->ProgressShow(ProgressWindow::Double, caption, showStop, showSecond);
  if (showSecond && !secondCaption.empty()) ui_->ProgressUpdate(ProgressWindow::Double, 1, 0, secondCaption);
  ui_->ProcessEvents();
}

void TFormProgressD::ResetFirst(int total, std::string_view caption) {
  bars_[0].Reset(total);
  if (ui_ && exists_) ui_->ProgressUpdate(ProgressWindow::Double, 0, 0, caption);
}

void TFormProgressD::ResetSecond(int total, std::string_view label) {
  bars_[1].Reset(total);
  if (ui_ && exists_) ui_->ProgressUpdate(ProgressWindow::Double, 1, 0, label);
}

void TFormProgressD::StepBar(int bar) {
  if (!exists_) return;
  if (bars_[bar].Step() && ui_) ui_->ProgressUpdate(ProgressWindow::Double, bar, bars_[bar].position(), {});
  if (ui_) ui_->ProcessEvents();
  PollStop();
}

void TFormProgressD::StepFirst() { StepBar(0); }
void TFormProgressD::StepSecond() { StepBar(1); }

void TFormProgressD::PollStop() {
  if (!ui_ || !exists_ || !showStop_ || stop_) return;
  if (!ui_->ProgressStopRequested(ProgressWindow::Double)) return;
  if (ui_->ShowMessage(MessageKind::Confirmation, StopQuestion(), kYes | kNo) != kYes) return;
  stop_ = true;
  Finish();
}

bool TFormProgressD::StopRequested() {
  PollStop();
  return stop_;
}

void TFormProgressD::Finish() {
  if (!exists_) return;
  exists_ = false;
  if (ui_) ui_->ProgressClose(ProgressWindow::Double);
}

}  // namespace rpt
