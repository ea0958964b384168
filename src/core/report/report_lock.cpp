#include "core/report/report_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <utility>

#include "core/foundation/codec.h"

namespace rpt {

using namespace literals;

namespace {

std::string UserName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  return std::to_string(::geteuid());
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &tm);
  return text;
}

// Written into the lock file once it is held; one "key=value" line each.
std::string HolderText() {
  return "user=" + UserName() + "\nhost=" + HostName() + "\nprogram=" + program_invocation_short_name +
         "\npid=" + std::to_string(::getpid()) + "\nsince=" + Now() + "\n";
}

ReportLockHolder ReadHolder(int fd) {
  ReportLockHolder h;
  char buffer[1024];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
  if (n <= 0) return h;
  const std::string_view text(buffer, static_cast<std::size_t>(n));
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    std::string value(line.substr(eq + 1));
    if (key == "user") h.user = value;
    else if (key == "host") h.host = value;
    else if (key == "program") h.program = value;
    else if (key == "pid") h.pid = value;
    else if (key == "since") h.since = value;
  }
  return h;
}

}  // namespace

TReportLock::TReportLock(TReportLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), folder_(std::move(other.folder_)), holder_(std::move(other.holder_)) {}

TReportLock& TReportLock::operator=(TReportLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    folder_ = std::move(other.folder_);
    holder_ = std::move(other.holder_);
  }
  return *this;
}

TReportLock::Result TReportLock::Acquire(const std::string& folder, int waitMs) {
  Release();
  holder_ = {};
  const std::string path = folder + std::string(kReportLockName);
  // A link here could make the holder's description overwrite any file.
  bool writable = true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    // A folder the user may only read: the lock file of a writer, if any,
    // is still honoured.
    writable = false;
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Result::Unavailable;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      const bool busy = errno == EWOULDBLOCK;
      if (busy) holder_ = ReadHolder(fd);
      ::close(fd);
      return busy ? Result::Busy : Result::Unavailable;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (writable) {
    const std::string text = HolderText();
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) < 0) {
      // Only the description is lost; the lock is held all the same.
    }
  }
  fd_ = fd;
  folder_ = folder;
  return Result::Acquired;
}

void TReportLock::Release() {
  if (fd_ < 0) return;
  // The file stays: removing it while another waits on it would let a
  // third take a lock on a new file beside the second's on the old one.
  if (::ftruncate(fd_, 0) != 0) {
    // A read-only lock file keeps its old description; the lock goes anyway.
  }
  ::close(fd_);
  fd_ = -1;
  folder_.clear();
}

std::string ReportBusyMessage(const std::string& folder, const ReportLockHolder& h) {
  std::string m = std::string("Отчет в папке "_w) + Utf8ToCp1251(folder) +
                  std::string(" уже открыт другой программой"_w);
  std::string who;
  auto add = [&who](std::string_view label, const std::string& value) {
    if (value.empty()) return;
    who += who.empty() ? ": " : ", ";
    who += label;
    who += Utf8ToCp1251(value);
  };
  add("пользователь "_w, h.user);
  add("компьютер "_w, h.host);
  add("программа "_w, h.program);
  add("процесс "_w, h.pid);
  add("с "_w, h.since);
  m += who;
  m += std::string(".\r\nИзменения в отчет можно будет внести, когда он будет закрыт там."_w);
  return m;
}

}  // namespace rpt
