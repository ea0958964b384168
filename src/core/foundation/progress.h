// The counting side of the progress windows: every bar has 25 positions
// whatever the number of steps; the front end only shows the positions it
// is told. The single window has one bar, the double window two. Both can
// be asked to stop; the operation polls StopRequested().
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "core/foundation/interaction.h"

namespace rpt {

// One bar: total steps mapped onto positions 0..25.
class ProgressCounter {
 public:
  static constexpr int kPositions = 25;

  // Position 0, counter 0, scale total / 25.
  void Reset(int total);
  // Counts one step; true when the position changed. A bar started with
  // total 0 (or less) does not move.
  bool Step();
  void SetPosition(int position) { position_ = std::clamp(position, 0, kPositions); }
  int position() const { return position_; }
  int steps() const { return steps_; }
  double scale() const { return scale_; }
  // k / (total / 25) rounded to nearest, ties to even, never past the end.
  static int PositionFor(int k, int total);

 private:
  int steps_ = 0;
  int total_ = 0;
  int position_ = 0;
  double scale_ = 0;
};

// The question asked when the user wants to stop (confirmation, Да/Нет).
std::string_view StopQuestion();

// The single progress window ("Процесс" with one bar).
class TFormProgress {
 public:
  explicit TFormProgress(Interaction* ui) : ui_(ui) {}
  ~TFormProgress();
  TFormProgress(const TFormProgress&) = delete;
  TFormProgress& operator=(const TFormProgress&) = delete;

  void Start(int total, std::string_view caption, bool stoppable);
  // Position (-1: unchanged), total (-1: unchanged, else counting restarts),
  // caption (empty: unchanged).
  void Reset(int position, int total, std::string_view caption);
  void Step();
  // The stop flag (a pending stop request is asked about first).
  bool StopRequested();
  void Finish();

  bool shown() const { return exists_ && !hidden_; }
  int position() const { return bar_.position(); }

 private:
  void PollStop();
  Interaction* ui_;
  ProgressCounter bar_;
  std::string caption_;
  bool exists_ = false;
  bool hidden_ = false;
  bool stoppable_ = false;
  bool stop_ = false;
};

// The double progress window: an outer bar titled with the caption, and on
// request a label with a second bar and the "Стоп" button.
class TFormProgressD {
 public:
  explicit TFormProgressD(Interaction* ui) : ui_(ui) {}
  ~TFormProgressD();
  TFormProgressD(const TFormProgressD&) = delete;
  TFormProgressD& operator=(const TFormProgressD&) = delete;

  void Start(int total1, int total2, std::string_view caption, bool showStop, bool showSecond,
             std::string_view secondCaption);
  void ResetFirst(int total, std::string_view caption);
  void ResetSecond(int total, std::string_view label);
  void StepFirst();
  void StepSecond();
  bool StopRequested();
  void Finish();

  // Client height for the shown parts: 100, 70, 60 or 30 pixels.
  static int ClientHeight(bool showStop, bool showSecond);

  bool shown() const { return exists_; }
  int position(int bar) const { return bars_[bar].position(); }

 private:
  void StepBar(int bar);
  void PollStop();
  Interaction* ui_;
  ProgressCounter bars_[2];
  bool exists_ = false;
  bool showStop_ = false;
  bool stop_ = false;
};

}  // namespace rpt
