// The single-instance lock: one per user and program file name, held from
// start to the end of the process and released by the system when the
// process ends, however it ends.
#pragma once

#include <string>
#include <string_view>

namespace rpt {

class InstanceLock {
 public:
  enum class State { Acquired, AlreadyRunning, Unavailable };

  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock of `programName` (the program file's name, letter case
  // significant) for the calling user: an abstract-namespace socket named
  // after the user and the program. `Unavailable` when the system refused
  // for another reason; the start then goes on without a lock.
  State Acquire(std::string_view programName);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace rpt
