#include "fault/fault_injection.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace faults {
namespace {

std::atomic<bool> armed{false};
std::atomic<int> calls{0};
std::atomic<int> failAtCall{0};
std::atomic<int> failError{0};
std::atomic<unsigned> armedKinds{0};
std::atomic<bool> fired{false};
std::atomic<unsigned> firedKind{0};

// True when this call is the one to fail (errno is then set).
bool Fail(Kind kind) {
  if (!armed.load(std::memory_order_acquire) || !(armedKinds.load() & kind)) return false;
  const int n = calls.fetch_add(1) + 1;
  if (n != failAtCall.load()) return false;
  fired = true;
  firedKind = kind;
  errno = failError.load();
  return true;
}

template <typename Fn>
Fn Real(const char* name) {
  static_assert(sizeof(Fn) == sizeof(void*));
  void* p = ::dlsym(RTLD_NEXT, name);
  if (!p) ::abort();
  Fn fn;
  __builtin_memcpy(&fn, &p, sizeof p);
  return fn;
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & __O_TMPFILE) == __O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

void Arm(int failAt, int error, unsigned kinds) {
  armed = false;
  calls = 0;
  failAtCall = failAt;
  failError = error;
  armedKinds = kinds;
  fired = false;
  firedKind = 0;
  armed.store(true, std::memory_order_release);
}

void Disarm() { armed = false; }
int Calls() { return calls.load(); }
bool Fired() { return fired.load(); }

std::string FiredKind() {
  switch (firedKind.load()) {
    case kOpen: return "open";
    case kWrite: return "write";
    case kFsync: return "fsync";
    case kRename: return "rename";
    case kUnlink: return "unlink";
    default: return "";
  }
}

int ForEveryCall(const std::function<void()>& prepare, const std::function<void()>& operation,
                 const std::function<void(const Outcome&)>& verify, std::initializer_list<int> errors,
                 unsigned kinds) {
  int runs = 0;
  for (const int error : errors) {
    for (int n = 1;; ++n) {
      prepare();
      Arm(n, error, kinds);
      operation();
      Disarm();
      const Outcome outcome{n, error, Fired(), FiredKind()};
      verify(outcome);
      ++runs;
      if (!outcome.fired) break;  // the operation made fewer than n calls
    }
  }
  return runs;
}

}  // namespace faults

// --- the C library's file operations, interposed -----------------------------

using faults::Fail;
using faults::Real;

extern "C" {

#define FAULT_OPEN(name)                                                                       \
  int name(const char* path, int flags, ...) {                                                 \
    va_list args;                                                                              \
    va_start(args, flags);                                                                     \
    const mode_t mode = faults::ModeOf(flags, args);                                           \
    va_end(args);                                                                              \
    static const auto real = Real<int (*)(const char*, int, ...)>(#name);                      \
    if (Fail(faults::kOpen)) return -1;                                                        \
    return real(path, flags, mode);                                                            \
  }
FAULT_OPEN(open)
FAULT_OPEN(open64)

#define FAULT_OPENAT(name)                                                                     \
  int name(int dir, const char* path, int flags, ...) {                                        \
    va_list args;                                                                              \
    va_start(args, flags);                                                                     \
    const mode_t mode = faults::ModeOf(flags, args);                                           \
    va_end(args);                                                                              \
    static const auto real = Real<int (*)(int, const char*, int, ...)>(#name);                 \
    if (Fail(faults::kOpen)) return -1;                                                        \
    return real(dir, path, flags, mode);                                                       \
  }
FAULT_OPENAT(openat)
FAULT_OPENAT(openat64)

int creat(const char* path, mode_t mode) {
  static const auto real = Real<int (*)(const char*, mode_t)>("creat");
  if (Fail(faults::kOpen)) return -1;
  return real(path, mode);
}

int mkstemp(char* pattern) {
  static const auto real = Real<int (*)(char*)>("mkstemp");
  if (Fail(faults::kOpen)) return -1;
  return real(pattern);
}

int mkostemp(char* pattern, int flags) {
  static const auto real = Real<int (*)(char*, int)>("mkostemp");
  if (Fail(faults::kOpen)) return -1;
  return real(pattern, flags);
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (fd > 2 && Fail(faults::kWrite)) return -1;
  return real(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (Fail(faults::kWrite)) return -1;
  return real(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
  if (Fail(faults::kWrite)) return -1;
  return real(fd, data, size, offset);
}

ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset, size_t size, unsigned flags) {
  static const auto real = Real<ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned)>("copy_file_range");
  if (Fail(faults::kWrite)) return -1;
  return real(in, inOffset, out, outOffset, size, flags);
}

int fsync(int fd) {
  static const auto real = Real<int (*)(int)>("fsync");
  if (Fail(faults::kFsync)) return -1;
  return real(fd);
}

int fdatasync(int fd) {
  static const auto real = Real<int (*)(int)>("fdatasync");
  if (Fail(faults::kFsync)) return -1;
  return real(fd);
}

int rename(const char* from, const char* to) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  if (Fail(faults::kRename)) return -1;
  return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  static const auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
  if (Fail(faults::kRename)) return -1;
  return real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  static const auto real = Real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  if (Fail(faults::kRename)) return -1;
  return real(fromDir, from, toDir, to, flags);
}

int unlink(const char* path) {
  static const auto real = Real<int (*)(const char*)>("unlink");
  if (Fail(faults::kUnlink)) return -1;
  return real(path);
}

int unlinkat(int dir, const char* path, int flags) {
  static const auto real = Real<int (*)(int, const char*, int)>("unlinkat");
  if (Fail(faults::kUnlink)) return -1;
  return real(dir, path, flags);
}

int remove(const char* path) {
  static const auto real = Real<int (*)(const char*)>("remove");
  if (Fail(faults::kUnlink)) return -1;
  return real(path);
}

}  // extern "C"
