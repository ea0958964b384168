#include "core/app/instance_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

namespace rpt {

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

InstanceLock::State InstanceLock::Acquire(std::string_view programName) {
  Release();
  // An abstract socket name lives only as long as the socket: the kernel
  // frees it with the process, even after a crash, and it leaves no file.
  std::string name = "report-instance/" + std::to_string(::getuid()) + "/";
  name.append(programName);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::size_t room = sizeof(addr.sun_path) - 1;  // after the leading NUL
  if (name.size() > room) name = name.substr(name.size() - room);
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return State::Unavailable;
  const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0) {
    const int err = errno;
    ::close(fd);
    return err == EADDRINUSE ? State::AlreadyRunning : State::Unavailable;
  }
  fd_ = fd;
  return State::Acquired;
}

void InstanceLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace rpt
