#include "core/foundation/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

// The whole file, or nothing with `err` set to the reason.
std::optional<std::string> ReadAll(const std::string& path, int& err) {
  err = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return std::nullopt;
  }
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) data.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  int err = 0;
  return ReadAll(path, err);
}

std::optional<std::string> ReadExistingFile(const std::string& path) {
  int err = 0;
  if (auto bytes = ReadAll(path, err)) return bytes;
  if (err == ENOENT) return std::nullopt;
  std::string message("Не удается прочитать файл \""_w);
  message += Utf8ToCp1251(path);
  message += "\": ";
  message += std::strerror(err ? err : EIO);
  throw EFileError(message);
}

std::string AtomicWriteFile(const std::string& path, std::string_view bytes) {
  const fs::path target(path);
  fs::path tempPath = target.parent_path();
  std::string hidden(1, '.');
  hidden += target.filename().string();
  tempPath /= hidden;
  std::string temp = tempPath.string();
  temp.append(".XXXXXX");
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    return std::string(std::strerror(err));
  };
  // Keep the permissions of the file being replaced (mkostemp makes 0600).
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  ::fchmod(fd, mode);
  if (const int err = WriteAllTo(fd, bytes)) return fail(err);
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return std::strerror(err);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return std::strerror(err);
  }
  return {};
}

int WriteAllTo(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

bool SameFileName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (!FitsCp1251(a) || !FitsCp1251(b)) return false;
  return SameText(Utf8ToCp1251(a), Utf8ToCp1251(b));
}

std::optional<std::string> FindEntryNoCase(const std::string& folder, std::string_view name) {
  const std::string exact = WithSeparator(folder) + std::string(name);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  std::optional<std::string> best;
  std::string bestName;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (SameFileName(entry, name) && (!best || entry < bestName)) {
      bestName = entry;
      best = WithSeparator(folder) + entry;
    }
  }
  return best;
}

namespace {

// Wildcard match over bytes ("*" any run, "?" one); `fold` ignores letter
// case of Windows-1251 text.
bool Wildcard(std::string_view s, std::string_view m, bool fold) {
  auto same = [fold](char a, char b) { return fold ? FoldCase(a) == FoldCase(b) : a == b; };
  std::size_t si = 0, mi = 0, star = std::string_view::npos, mark = 0;
  while (si < s.size()) {
    if (mi < m.size() && (m[mi] == '?' || same(m[mi], s[si]))) {
      ++si;
      ++mi;
    } else if (mi < m.size() && m[mi] == '*') {
      star = mi++;
      mark = si;
    } else if (star != std::string_view::npos) {
      mi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (mi < m.size() && m[mi] == '*') ++mi;
  return mi == m.size();
}

}  // namespace

bool MatchesMask(std::string_view utf8Name, std::string_view utf8Mask) {
  if (FitsCp1251(utf8Name) && FitsCp1251(utf8Mask))
    return Wildcard(Utf8ToCp1251(utf8Name), Utf8ToCp1251(utf8Mask), true);
  return Wildcard(utf8Name, utf8Mask, false);  // outside the code page: case counts
}

std::vector<std::string> ListMatching(const std::string& folder, std::string_view mask,
                                      bool includeFolders) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code sec;
    const bool isDir = it->is_directory(sec);
    if (isDir && !includeFolders) continue;
    std::string entry = it->path().filename().string();
    if (MatchesMask(entry, mask)) names.push_back(std::move(entry));
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// The listed folders, readable from a signal handler: fixed slots, each
// free (0), being written (1) or listed (2).
struct TemporarySlot {
  std::atomic<int> state{0};
  char path[4096];
};
TemporarySlot temporarySlots[32];

// Removes a folder's content and the folder with nothing but calls that
// are safe in a signal handler; links are removed, never followed.
void RemoveTreeAt(int parent, const char* name, int depth) {
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    ::unlinkat(parent, name, 0);
    return;
  }
  alignas(8) char buffer[4096];
  // A second pass takes what the first one's listing missed; an entry that
  // cannot be removed must not keep the handler going.
  bool removed = true;
  for (int pass = 0; pass < 3 && removed && depth < 32; ++pass) {
    removed = false;
    ::lseek(fd, 0, SEEK_SET);
    for (;;) {
      const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* child = entry->d_name;
        if (child[0] == '.' && (child[1] == 0 || (child[1] == '.' && child[2] == 0))) continue;
        if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN)
          RemoveTreeAt(fd, child, depth + 1);
        else
          ::unlinkat(fd, child, 0);
        removed = true;
      }
    }
  }
  ::close(fd);
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

void OnTerminatingSignal(int signal) {
  for (TemporarySlot& slot : temporarySlots)
    if (slot.state.load(std::memory_order_acquire) == 2) RemoveTreeAt(AT_FDCWD, slot.path, 0);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void RegisterTemporaryFolder(const std::string& path) {
  if (path.size() >= sizeof temporarySlots[0].path) return;
  for (TemporarySlot& slot : temporarySlots) {
    int expected = 0;
    if (!slot.state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(2, std::memory_order_release);
    return;
  }
}

void UnregisterTemporaryFolder(const std::string& path) {
  for (TemporarySlot& slot : temporarySlots)
    if (slot.state.load(std::memory_order_acquire) == 2 && path == slot.path) {
      slot.state.store(0, std::memory_order_release);
      return;
    }
}

void RemoveTemporaryFoldersOnSignal() {
  struct sigaction action {};
  action.sa_handler = OnTerminatingSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&action.sa_mask, s);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(s, &action, nullptr);
}

PrivateTempFolder::PrivateTempFolder(std::string_view prefix, std::string_view failure) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp");
  pattern += prefix;
  pattern += "-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    const int err = errno;
    std::string message(failure);
    message += " \"" + Utf8ToCp1251(pattern) + "\". " + std::strerror(err);
    throw EFileError(message);
  }
  path_ = pattern + "/";
  RegisterTemporaryFolder(path_);
}

PrivateTempFolder::~PrivateTempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
  UnregisterTemporaryFolder(path_);
}

std::string WithSeparator(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace rpt
