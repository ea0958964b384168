#include "core/foundation/common.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool ForceFolders(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return FolderExists(path);
}

namespace {

constexpr mode_t kOwnerAll = S_IRWXU;

// Deletes the content of the open folder `dfd` (taking ownership of it).
// Works on descriptors throughout so that a link swapped in for a folder
// is unlinked, never entered.
bool ClearAt(int dfd, bool removeFolders) {
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return false;
  }
  bool ok = true;
  bool madeWritable = false;
  auto makeWritable = [&] {
    if (madeWritable) return false;
    madeWritable = true;
    struct stat st {};
    return ::fstat(dfd, &st) == 0 && ::fchmod(dfd, st.st_mode | kOwnerAll) == 0;
  };
  // Unlinking while reading the same stream may skip entries; collect first.
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  for (const auto& name : names) {
    struct stat st {};
    if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      // Not through a link swapped in since the look above (where the
      // system cannot promise that, the folder is left as it is).
      if ((st.st_mode & kOwnerAll) != kOwnerAll)
        ::fchmodat(dfd, name.c_str(), st.st_mode | kOwnerAll, AT_SYMLINK_NOFOLLOW);
      const int sub = ::openat(dfd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) {
        ok = false;
        continue;
      }
      if (!ClearAt(sub, removeFolders)) ok = false;
      if (!removeFolders) continue;
      if (::unlinkat(dfd, name.c_str(), AT_REMOVEDIR) != 0 &&
          !(errno == EACCES && makeWritable() && ::unlinkat(dfd, name.c_str(), AT_REMOVEDIR) == 0))
        ok = false;
    } else {
      if (::unlinkat(dfd, name.c_str(), 0) != 0 &&
          !((errno == EACCES || errno == EPERM) && makeWritable() &&
            ::unlinkat(dfd, name.c_str(), 0) == 0))
        ok = false;
    }
  }
  ::closedir(dir);
  return ok;
}

std::string FileMessage(std::string_view what, const std::string& path, int err) {
  std::string m(what);
  m += " \"";
  m += Utf8ToCp1251(path);
  m += "\": ";
  m += std::strerror(err);
  return m;
}

[[noreturn]] void FailFile(std::string_view what, const std::string& path, int err) {
  throw EFileError(FileMessage(what, path, err));
}

bool IsBlank(char c) { return c == ' '; }

}  // namespace

bool ClearFolder(const std::string& path, bool removeFolder) {
  if (path.empty()) return false;
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(path, ec);
  if (ec || canonical == canonical.root_path()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & kOwnerAll) != kOwnerAll) ::chmod(path.c_str(), st.st_mode | kOwnerAll);
  const int dfd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  bool ok = ClearAt(dfd, removeFolder);
  if (removeFolder) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat lst {};
    // The folder given may itself be a link to a folder: then the link goes.
    if (::lstat(p.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
      if (::unlink(p.c_str()) != 0) ok = false;
    } else if (::rmdir(p.c_str()) != 0) {
      ok = false;
    }
  }
  return ok;
}

namespace {

std::string ResolvedFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::path(folder), ec);
  return WithSeparator(ec ? folder : p.string());
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool FolderHolds(const std::string& outer, const std::string& inner) {
  if (outer.empty() || inner.empty()) return false;
  const std::string o = ResolvedFolder(outer), i = ResolvedFolder(inner);
  return i.compare(0, o.size(), o) == 0;
}

bool IsFileSystemRoot(const std::string& folder) {
  const std::string resolved = ResolvedFolder(folder);
  if (resolved == "/") return true;
  struct stat self {}, parent {};
  if (::stat(resolved.c_str(), &self) != 0 || ::stat((resolved + "..").c_str(), &parent) != 0) return false;
  return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return names;
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return names;
  }
  while (dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    std::string name = e->d_name;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) name += '/';
    names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string DeleteFilesThenFolder(const std::string& folder, const std::vector<std::string>& names) {
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return errno == ENOENT ? std::string() : FileMessage("Не удается удалить файл"_w, folder, errno);
  std::string failure;
  for (const auto& name : names) {
    struct stat st {};
    if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) continue;
    if (::unlinkat(dfd, name.c_str(), 0) != 0 && errno != ENOENT && failure.empty())
      failure = FileMessage("Не удается удалить файл"_w, WithSeparator(folder) + name, errno);
  }
  DIR* dir = ::fdopendir(dfd);
  bool empty = dir != nullptr;
  if (dir) {
    while (dirent* e = ::readdir(dir))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) empty = false;
    ::closedir(dir);
  } else {
    ::close(dfd);
  }
  if (!empty) return failure;
  const std::string path = WithoutTrailingSeparators(folder);
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) ::unlink(path.c_str());
  else ::rmdir(path.c_str());  // something may have arrived since; then it stays
  return failure;
}

void CopyFile(const std::string& source, const std::string& destination) {
  std::string target = destination;
  if (!target.empty() && target.back() == '/') {
    target += fs::path(source).filename().string();
  } else if (FolderExists(target)) {
    target = WithSeparator(target) + fs::path(source).filename().string();
  }

  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) FailFile("Не удается открыть файл"_w, source, errno);
  struct stat st {};
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(in);
    FailFile("Не удается открыть файл"_w, source, err);
  }

  const fs::path parent = fs::path(target).parent_path();
  std::error_code ec;
  if (!parent.empty()) fs::create_directories(parent, ec);
  std::string hidden(1, '.');
  hidden += fs::path(target).filename().string();
  std::string temp = (parent / hidden).string() + ".XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    FailFile("Не удается создать файл"_w, target, err);
  }
  auto fail = [&](std::string_view what, const std::string& path, int err) {
    ::close(in);
    ::close(out);
    ::unlink(temp.c_str());
    FailFile(what, path, err);
  };

  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("Ошибка чтения файла"_w, source, errno);
    }
    if (n == 0) break;
    if (const int err = WriteAllTo(out, buffer, static_cast<std::size_t>(n)))
      fail("Ошибка записи файла"_w, target, err);
  }
  ::fchmod(out, st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) fail("Ошибка записи файла"_w, target, errno);
  if (::fsync(out) != 0) fail("Ошибка записи файла"_w, target, errno);
  ::close(in);
  if (::close(out) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    FailFile("Ошибка записи файла"_w, target, err);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    FailFile("Не удается создать файл"_w, target, err);
  }
}

bool CopyFilesByMask(const std::string& sourceFolder, const std::string& destinationFolder,
                     std::string_view mask, const ProgressStep& step) {
  const std::string from = WithSeparator(sourceFolder);
  const std::string to = WithSeparator(destinationFolder);
  const auto names = ListMatching(from, mask, /*includeFolders=*/true);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 && step) step();
    try {
      CopyFile(from + names[i], to + names[i]);
    } catch (const EFileError&) {
      return false;
    }
  }
  return true;
}

bool OpenDocument(Interaction& ui, const std::string& path) { return ui.OpenDocument(path); }

EditorCommand ChooseTextEditor(const EnvLookup& getEnv) {
  auto env = [&](const char* name) {
    auto v = getEnv ? getEnv(name) : ProcessEnv(name);
    return v ? *v : std::string();
  };
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const std::string value = env(var);
    EditorCommand command;
    for (int n = 1, count = WordCount(value); n <= count; ++n) command.push_back(NthWord(value, n));
    if (!command.empty()) return command;
  }
  static constexpr const char* kDesktopEditors[] = {
      "gedit", "gnome-text-editor", "kate", "kwrite", "mousepad", "xed", "pluma", "leafpad",
      "featherpad", "geany"};
  const std::string path = env("PATH");
  for (const char* editor : kDesktopEditors) {
    std::size_t begin = 0;
    while (begin <= path.size()) {
      std::size_t end = path.find(':', begin);
      if (end == std::string::npos) end = path.size();
      const std::string dir = path.substr(begin, end - begin);
      begin = end + 1;
      if (dir.empty()) continue;  // the current folder is never searched
      const std::string candidate = WithSeparator(dir) + editor;
      struct stat st {};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          ::access(candidate.c_str(), X_OK) == 0)
        return {candidate};
    }
  }
  return {};
}

bool ShowTextFile(Interaction& ui, const std::string& path, const EditorCommand& editor) {
  if (ui.OpenDocument(path)) return true;
  if (editor.empty()) return false;
  std::vector<std::string> args(editor.begin() + 1, editor.end());
  args.push_back(path);
  return ui.StartProgram(editor.front(), args);
}

std::string_view ReportWord(bool isSubreport, bool capitalised) {
  if (isSubreport) return capitalised ? "Подотчет"_w : "подотчет"_w;
  return capitalised ? "Отчет"_w : "отчет"_w;
}

double NumberOrDefault(std::string_view text, double def) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  // Accept exactly digits [ "," digits ] [ ("e"|"E") [sign] digits ]; anything
  // else ("." included, "inf", "nan", hexadecimal) is not a number here.
  std::string plain;
  std::size_t i = 0;
  int mantissaDigits = 0;
  auto digits = [&](int& count) {
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      plain += t[i++];
      ++count;
    }
  };
  digits(mantissaDigits);
  if (i < t.size() && t[i] == ',') {
    plain += '.';
    ++i;
    digits(mantissaDigits);
  }
  if (mantissaDigits == 0) return def;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
    int exponentDigits = 0;
    digits(exponentDigits);
    if (exponentDigits == 0) return def;
  }
  if (i != t.size()) return def;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || ptr != plain.data() + plain.size()) return def;
  return negative ? -value : value;
}

std::string NthWord(std::string_view text, int n) {
  std::size_t i = 0;
  for (int k = 1;; ++k) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return {};
    const std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (k == n) return std::string(text.substr(start, i - start));
  }
}

int WordCount(std::string_view text) {
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!IsBlank(text[i]) && (i == 0 || IsBlank(text[i - 1]))) ++count;
  return count;
}

std::string ConvertMultiLine(std::string_view text, std::string_view token,
                             std::string_view replacement) {
  std::string s(text);
  if (!s.empty()) {
    if (s.front() == ' ') s.front() = '$';
    else if (s.front() == '$') s.front() = ' ';
  }
  if (token.empty()) return s;
  std::string out;
  out.reserve(s.size());
  for (std::size_t pos = 0;;) {
    const std::size_t hit = s.find(token, pos);
    if (hit == std::string::npos) {
      out.append(s, pos, std::string::npos);
      break;
    }
    out.append(s, pos, hit - pos);
    out += replacement;
    pos = hit + token.size();
  }
  return out;
}

std::string_view TrimControls(std::string_view s) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace rpt
