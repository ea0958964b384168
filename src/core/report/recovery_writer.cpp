#include "core/report/recovery_writer.h"

namespace rpt {

TRecoveryWriter::~TRecoveryWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TRecoveryWriter::Submit(RecoverySnapshot snapshot) {
  {
    std::lock_guard lock(mutex_);
    pending_ = std::move(snapshot);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_all();
}

void TRecoveryWriter::Cancel() {
  std::unique_lock lock(mutex_);
  pending_.reset();
  idle_.wait(lock, [this] { return !busy_; });
}

void TRecoveryWriter::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !busy_ && !pending_; });
}

std::string TRecoveryWriter::TakeError() {
  std::lock_guard lock(mutex_);
  return std::exchange(error_, {});
}

int TRecoveryWriter::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

void TRecoveryWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || pending_; });
    if (!pending_) return;  // stopping with nothing left to write
    RecoverySnapshot snapshot = std::move(*pending_);
    pending_.reset();
    busy_ = true;
    lock.unlock();
    std::string error = WriteRecoverySnapshot(snapshot);
    lock.lock();
    busy_ = false;
    if (error.empty()) ++written_;
    else error_ = std::move(error);
    idle_.notify_all();
  }
}

}  // namespace rpt
