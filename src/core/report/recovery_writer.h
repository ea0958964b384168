// The disk side of the recovery: snapshots are made on the program's thread
// (the tables' texts, which only it may read) and written by a thread of
// its own, so that no key waits for a disk to flush. Only the newest
// snapshot waiting is kept: a newer one replaces it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/report/recovery.h"

namespace rpt {

class TRecoveryWriter {
 public:
  TRecoveryWriter() = default;
  // Finishes the snapshot under way and the one waiting, then ends.
  ~TRecoveryWriter();
  TRecoveryWriter(const TRecoveryWriter&) = delete;
  TRecoveryWriter& operator=(const TRecoveryWriter&) = delete;

  void Submit(RecoverySnapshot snapshot);
  // Forgets the snapshot waiting and returns once none is being written.
  void Cancel();
  // Returns once everything submitted is written.
  void Flush();
  // The failure of the last write that failed since the last call; empty
  // when none failed.
  std::string TakeError();
  // Snapshots written so far.
  int written() const;

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::optional<RecoverySnapshot> pending_;
  bool busy_ = false;
  bool stop_ = false;
  int written_ = 0;
  std::string error_;
  std::thread thread_;
};

}  // namespace rpt
