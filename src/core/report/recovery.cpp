#include "core/report/recovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/file_io.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

#ifndef REPORT_PROGRAM_VERSION
#define REPORT_PROGRAM_VERSION "0"
#endif

namespace {

constexpr std::string_view kGenerationPrefix = "g";

std::optional<long long> ToInteger(std::string_view text) {
  long long v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

// Flushes a folder's entries (a rename or a new file in it) to disk.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

std::string WriteFlushed(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return std::strerror(errno);
  if (const int err = WriteAllTo(fd, bytes)) {
    ::close(fd);
    return std::strerror(err);
  }
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    return std::strerror(err);
  }
  if (::close(fd) != 0) return std::strerror(errno);
  return {};
}

// A table file name the manifest may name: a plain name of one folder.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 1469598103934665603ULL;
  for (const unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

// The entries of a folder: name, and whether it is a folder.
std::vector<std::pair<std::string, bool>> Entries(const std::string& folder) {
  std::vector<std::pair<std::string, bool>> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code sec;
    entries.emplace_back(it->path().filename().string(), it->is_directory(sec) && !it->is_symlink(sec));
  }
  return entries;
}

}  // namespace

std::string RecoveryTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm);
  return buf;
}

// --- timing ---------------------------------------------------------------------

RecoveryTiming RecoveryTiming::FromEnvironment(const EnvLookup& getEnv) {
  RecoveryTiming t;
  const auto value = getEnv ? getEnv(kRecoveryIntervalVariable) : ProcessEnv(kRecoveryIntervalVariable);
  if (!value) return t;
  const auto ms = ToInteger(*value);
  if (!ms || *ms < 50 || *ms >= t.intervalMs) return t;
  t.quietMs = static_cast<int>(static_cast<long long>(t.quietMs) * *ms / t.intervalMs);
  t.intervalMs = static_cast<int>(*ms);
  return t;
}

int RecoveryTiming::TickMs() const { return std::clamp(std::min(quietMs, intervalMs / 10), 10, 500); }

bool RecoveryWriteDue(const RecoveryTiming& timing, std::int64_t now, std::int64_t changedAt,
                      std::int64_t lastWriteAt, std::int64_t lastInputAt) {
  if (now - lastWriteAt < timing.intervalMs) return false;
  return now - lastInputAt >= timing.quietMs || now - changedAt >= timing.intervalMs;
}

std::int64_t RecoveryClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string_view RecoveryProgramVersion() { return REPORT_PROGRAM_VERSION; }

// --- the manifest -----------------------------------------------------------------

std::string RecoveryManifest::Text() const {
  std::string s = "[Recovery]\n";
  auto line = [&s](std::string_view key, std::string_view value) {
    s.append(key).append("=").append(value).append("\n");
  };
  line("Program", program);
  line("ReportVersion", reportVersion);
  line("Report", report);
  line("Package", package);
  line("Time", time);
  line("Generation", std::to_string(generation));
  line("ReportChanged", reportChanged ? "1" : "0");
  line("DocumentOpened", documentOpened ? "1" : "0");
  if (startsLeft >= 0) {
    line("StartsLeft", std::to_string(startsLeft));
    line("AsideReason", Cp1251ToUtf8(asideReason));
  }
  for (const auto& t : tables) line("Table", Cp1251ToUtf8(t.file) + "\t" + Cp1251ToUtf8(t.title));
  return s;
}

RecoveryManifest RecoveryManifest::Parse(std::string_view text) {
  RecoveryManifest m;
  bool header = false, generation = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    if (line == "[Recovery]") {
      header = true;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      m.damaged = true;
      continue;
    }
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Program") m.program = value;
    else if (key == "ReportVersion") m.reportVersion = value;
    else if (key == "Report") m.report = value;
    else if (key == "Package") m.package = value;
    else if (key == "Time") m.time = value;
    else if (key == "ReportChanged") m.reportChanged = value == "1";
    else if (key == "DocumentOpened") m.documentOpened = value == "1";
    else if (key == "AsideReason") m.asideReason = Utf8ToCp1251(value);
    else if (key == "Generation" || key == "StartsLeft") {
      const auto v = ToInteger(value);
      if (!v || *v < 0) m.damaged = true;
      else if (key == "Generation") m.generation = *v, generation = true;
      else m.startsLeft = static_cast<int>(std::min<long long>(*v, 1000));
    } else if (key == "Table") {
      const std::size_t tab = value.find('\t');
      RecoveryTable t;
      t.file = Utf8ToCp1251(value.substr(0, tab));
      if (tab != std::string_view::npos) t.title = Utf8ToCp1251(value.substr(tab + 1));
      m.tables.push_back(std::move(t));
    }
  }
  if (!header || !generation) m.damaged = true;
  return m;
}

// --- folders -------------------------------------------------------------------------

std::string RecoveryFolderOf(const FolderSet& folders, const std::string& reportFolder) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(fs::path(reportFolder), ec);
  const std::string key = WithSeparator(ec ? reportFolder : canonical.string());
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(key)));
  std::string name = LastFolderComponent(key);
  if (name.empty()) name = "report";
  return folders.recovery + name + "-" + hash + "/";
}

std::string AsideFolderOf(const std::string& recoveryFolder) {
  std::string f = recoveryFolder;
  while (!f.empty() && f.back() == '/') f.pop_back();
  return f + std::string(kRecoveryAsideSuffix) + "/";
}

std::string GenerationFolder(const std::string& recoveryFolder, std::int64_t generation) {
  return recoveryFolder + std::string(kGenerationPrefix) + std::to_string(generation) + "/";
}

std::string PackageIdentity(const std::string& reportFolder) {
  const auto package = FindEntryNoCase(reportFolder, kReportPackageName);
  if (!package) return {};
  struct stat st {};
  if (::stat(package->c_str(), &st) != 0) return {};
  uLong crc = crc32(0L, Z_NULL, 0);
  if (const auto bytes = ReadWholeFile(*package))
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes->data()), static_cast<uInt>(bytes->size()));
  char text[96];
  std::snprintf(text, sizeof text, "%lld:%lld.%09ld:%08lx", static_cast<long long>(st.st_size),
                static_cast<long long>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec),
                static_cast<unsigned long>(crc));
  return text;
}

std::optional<RecoveryManifest> ReadRecovery(const std::string& recoveryFolder) {
  const std::string path = recoveryFolder + std::string(kRecoveryManifestName);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    // A folder a crash left before its first manifest holds nothing to restore.
    return std::nullopt;
  }
  const auto text = ReadWholeFile(path);
  if (!text) {
    RecoveryManifest m;
    m.damaged = true;
    return m;
  }
  return RecoveryManifest::Parse(*text);
}

std::string RecoveryRefusal(const RecoveryManifest& m, const std::string& recoveryFolder,
                            const std::string& packageIdentity) {
  if (m.damaged) return std::string("данные повреждены"_w);
  if (m.program != RecoveryProgramVersion() || m.reportVersion != kVersionThisYear)
    return std::string("они записаны другой версией программы ("_w) + Utf8ToCp1251(m.program) + ")";
  if (m.package != packageIdentity) return std::string("отчет был сохранен или заменен после их записи"_w);
  const std::string generation = GenerationFolder(recoveryFolder, m.generation);
  for (const auto& t : m.tables) {
    const std::string name = Cp1251ToUtf8(t.file);
    std::error_code ec;
    if (!PlainFileName(name) || !fs::is_regular_file(generation + name, ec))
      return std::string("данные повреждены"_w);
  }
  return {};
}

std::string SetRecoveryAside(const std::string& recoveryFolder, std::string_view reasonCp1251) {
  const std::string aside = AsideFolderOf(recoveryFolder);
  std::error_code ec;
  fs::remove_all(aside, ec);
  fs::rename(fs::path(recoveryFolder).parent_path(), fs::path(aside).parent_path(), ec);
  if (ec) {
    RemoveRecovery(recoveryFolder);
    return {};
  }
  RecoveryManifest m = ReadRecovery(aside).value_or(RecoveryManifest{});
  if (m.damaged) {
    // Kept for a look, but never offered again.
    m.damaged = false;
    m.generation = 0;
  }
  m.startsLeft = 1;
  m.asideReason = std::string(reasonCp1251);
  (void)AtomicWriteFile(aside + std::string(kRecoveryManifestName), m.Text());
  SyncFolder(fs::path(aside).parent_path().parent_path().string());
  return aside;
}

void RemoveRecovery(const std::string& recoveryFolder) {
  std::error_code ec;
  fs::remove_all(recoveryFolder, ec);
}

void PurgeAsideRecoveries(const FolderSet& folders) {
  for (const auto& [name, isFolder] : Entries(folders.recovery)) {
    if (!isFolder || !std::string_view(name).ends_with(kRecoveryAsideSuffix)) continue;
    const std::string folder = folders.recovery + name + "/";
    auto m = ReadRecovery(folder);
    if (!m || m->damaged || m->startsLeft <= 0) {
      RemoveRecovery(folder);
      continue;
    }
    --m->startsLeft;
    (void)AtomicWriteFile(folder + std::string(kRecoveryManifestName), m->Text());
  }
}

std::string CopyRecoveredTables(const RecoveryManifest& m, const std::string& recoveryFolder,
                                const std::string& workingFolder) {
  const std::string generation = GenerationFolder(recoveryFolder, m.generation);
  for (const auto& t : m.tables) {
    const std::string name = Cp1251ToUtf8(t.file);
    if (!PlainFileName(name)) return "\"" + name + "\": not a file name of the report";
    const auto bytes = ReadWholeFile(generation + name);
    if (!bytes) return generation + name + ": " + std::strerror(errno);
    const std::string target = FindEntryNoCase(workingFolder, name).value_or(workingFolder + name);
    if (std::string err = AtomicWriteFile(target, *bytes); !err.empty()) return target + ": " + err;
  }
  return {};
}

// --- writing ---------------------------------------------------------------------------

std::string WriteRecoverySnapshot(const RecoverySnapshot& s) {
  std::error_code ec;
  fs::create_directories(s.folder, ec);
  if (ec) return s.folder + ": " + ec.message();
  const std::string generation = GenerationFolder(s.folder, s.generation);
  fs::remove_all(generation, ec);
  fs::create_directory(generation, ec);
  if (ec) return generation + ": " + ec.message();
  for (const auto& [name, bytes] : s.files)
    if (std::string err = WriteFlushed(generation + name, *bytes); !err.empty()) return generation + name + ": " + err;
  SyncFolder(generation);
  const std::string manifest = s.folder + std::string(kRecoveryManifestName);
  if (std::string err = AtomicWriteFile(manifest, s.manifest); !err.empty()) return manifest + ": " + err;
  SyncFolder(s.folder);
  SyncFolder(fs::path(s.folder).parent_path().parent_path().string());
  // The generations before this one, and what an interrupted write left.
  const std::string current = std::string(kGenerationPrefix) + std::to_string(s.generation);
  for (const auto& [name, isFolder] : Entries(s.folder)) {
    const bool oldGeneration = isFolder && name != current && name.starts_with(kGenerationPrefix);
    if (oldGeneration || name.starts_with(".")) fs::remove_all(s.folder + name, ec);
  }
  return {};
}

}  // namespace rpt
