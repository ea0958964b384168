#include "core/output/page_setup.h"

#include <algorithm>

namespace rpt::output {

PageSettings StandardPage(std::uint8_t orientation) {
  return orientation == 1 ? PageSettings{20, 30, 15, 10, 1} : PageSettings{30, 15, 10, 20, 0};
}

PageSettings TurnedPage(const PageSettings& p, std::uint8_t orientation) {
  if (orientation == p.orientation) return p;
  if (orientation == 1) return {p.bottom, p.left, p.top, p.right, 1};
  return {p.top, p.right, p.bottom, p.left, 0};
}

void PageSetupState::Show(const PageSettings& page) {
  record_ = page;
  saved_ = page;
  cancelEnabled_ = false;
  applied_ = false;
}

void PageSetupState::SetMargin(Margin m, int value) {
  value = std::clamp(value, 0, m == Margin::Top ? kMaxTopMargin : kMaxMargin);
  switch (m) {
    case Margin::Left: record_.left = value; break;
    case Margin::Top: record_.top = value; break;
    case Margin::Right: record_.right = value; break;
    case Margin::Bottom: record_.bottom = value; break;
  }
  cancelEnabled_ = true;
}

void PageSetupState::SetOrientation(std::uint8_t orientation) {
  if (orientation == record_.orientation) return;
  record_ = TurnedPage(record_, orientation);
  cancelEnabled_ = true;
}

void PageSetupState::Standard() { record_ = StandardPage(record_.orientation); }

void PageSetupState::Cancel() {
  record_ = saved_;
  cancelEnabled_ = false;
}

void PageSetupState::Apply() {
  cancelEnabled_ = false;
  applied_ = true;
}

bool PageSetupState::Close(CloseAnswer answer) {
  if (cancelEnabled_) {
    if (answer == CloseAnswer::Cancel) return false;
    if (answer == CloseAnswer::Yes) applied_ = true;
    else record_ = saved_;
  }
  cancelEnabled_ = false;
  return true;
}

Sketch PageSketch(const PageSettings& p, int clientWidth) {
  const bool landscape = p.orientation == 1;
  const int h = landscape ? 132 : 185;
  const int w = landscape ? 132 * 297 / 209 : 185 * 209 / 297;
  Sketch s;
  s.page = {(clientWidth - w) / 2, (222 - h) / 2, w, h};
  const double mmW = landscape ? 297 : 209, mmH = landscape ? 209 : 297;
  const int l = static_cast<int>(p.left * w / mmW), r = static_cast<int>(p.right * w / mmW);
  const int t = static_cast<int>(p.top * h / mmH), b = static_cast<int>(p.bottom * h / mmH);
  s.printable = {s.page.left + l, s.page.top + t, std::max(0, w - l - r), std::max(0, h - t - b)};
  return s;
}

}  // namespace rpt::output
