#include "core/output/system_info.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"

namespace fs = std::filesystem;

namespace rpt::output {

using namespace literals;

namespace {

std::string W(std::string_view cp1251) { return std::string(cp1251); }

std::string Number(std::int64_t value) { return std::to_string(value); }

std::string DriveText(DriveKind kind) {
  switch (kind) {
    case DriveKind::Removable: return W(" Устройство со сменным диском."_w);
    case DriveKind::Fixed: return W(" Устройство с фиксированным диском."_w);
    case DriveKind::Network: return W(" Удаленный (сетевой) диск."_w);
    case DriveKind::CdRom: return W(" CD-ROM."_w);
    case DriveKind::RamDisk: return W(" Виртуальный диск."_w);
  }
  return {};
}

// The value of KEY=VALUE (quotes removed) in an os-release text.
std::string OsReleaseValue(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

// "6.1.0-18-amd64" -> "6.1".
std::string MajorMinor(const std::string& release) {
  std::size_t dots = 0, end = 0;
  while (end < release.size() && (std::isdigit(static_cast<unsigned char>(release[end])) || release[end] == '.')) {
    if (release[end] == '.' && ++dots == 2) break;
    ++end;
  }
  return release.substr(0, end);
}

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, colon);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    if (key == "model name" || key == "Model" || key == "cpu model") {
      std::string value = line.substr(colon + 1);
      const auto first = value.find_first_not_of(" \t");
      return first == std::string::npos ? std::string() : value.substr(first);
    }
  }
  return {};
}

// A block device is removable when its disk says so in sysfs.
bool DeviceIsRemovable(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return false;
  std::error_code ec;
  const fs::path real = fs::canonical(device, ec);
  if (ec) return false;
  const fs::path sys = fs::path("/sys/class/block") / real.filename();
  for (const fs::path& candidate : {sys / "removable", sys / ".." / "removable"}) {
    std::ifstream in(candidate);
    char c = 0;
    if (in >> c) return c == '1';
  }
  return false;
}

bool Under(const std::string& path, const char* folder) {
  const std::string f = folder;
  return path == f || path.rfind(f + "/", 0) == 0;
}

}  // namespace

std::vector<std::string> SystemInfoLines(const SystemFacts& f) {
  std::vector<std::string> out;
  auto add = [&out](std::string_view label, const std::string& valueUtf8) {
    out.push_back(std::string(label) + Utf8ToCp1251(valueUtf8));
  };
  out.push_back(W("Операционная система и процессор"_w));
  out.push_back(std::string(62, '-'));
  std::string version = f.kernelVersion;
  if (!f.osName.empty()) version += (version.empty() ? "" : " ") + std::string("(") + f.osName + ")";
  add("Версия операционной системы:  "_w, version);
  add("Номер версии:                               "_w, f.kernelRelease);
  if (!f.platform.empty()) add("Платформа:                                    "_w, f.platform);
  add("Архитектура процессора:             "_w, f.machine);
  add("Уровень процессора:                   "_w, f.processor);
  out.push_back("  ");

  out.push_back(W("Память"_w));
  out.push_back(std::string(12, '-'));
  add("Процент использования памяти:          "_w, std::to_string(f.memoryLoad));
  add("Общая физическая память:                  "_w, std::to_string(f.totalPhysical));
  add("Свободная физическая память:           "_w, std::to_string(f.freePhysical));
  add("Общий объем файлов подкачки:          "_w, std::to_string(f.totalSwap));
  add("Свободный объем файлов подкачки:   "_w, std::to_string(f.freeSwap));
  add("Общая виртуальная память:                 "_w, std::to_string(f.totalVirtual));
  add("Свободная виртуальная память:          "_w, std::to_string(f.freeVirtual));
  out.push_back("  ");

  out.push_back(W("Внешие накопители"_w));
  out.push_back(std::string(34, '-'));
  for (const DriveFacts& d : f.drives) {
    out.push_back(Utf8ToCp1251(d.mountPoint) + DriveText(d.kind));
    if (d.kind != DriveKind::Fixed) continue;
    const std::int64_t free = d.size > 0 ? d.free : -1;
    const std::string unknown = W("не установлен"_w);
    out.push_back(W("    Общий объем диска:                         "_w) + (d.size == -1 ? unknown : Number(d.size)));
    out.push_back(W("    Объем свободного пространства:   "_w) + (free == -1 ? unknown : Number(free)));
    out.push_back("  ");
  }

  out.push_back("  ");
  out.push_back(W("Принтеры"_w));
  out.push_back(std::string(18, '-'));
  int number = 0;
  for (const PrinterFacts& p : f.printers)
    out.push_back(std::to_string(++number) + ". " + Utf8ToCp1251(p.name) + (p.current ? W(" - активный"_w) : ""));
  out.push_back("  ");
  return out;
}

std::vector<MountEntry> ParseMountTable(const std::string& text) {
  auto unescape = [](const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
          std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
        r += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
        i += 3;
      } else {
        r += s[i];
      }
    }
    return r;
  };
  std::vector<MountEntry> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    MountEntry e;
    if (!(fields >> e.device >> e.mountPoint >> e.type)) continue;
    e.device = unescape(e.device);
    e.mountPoint = unescape(e.mountPoint);
    out.push_back(std::move(e));
  }
  return out;
}

std::optional<DriveKind> ClassifyMount(const MountEntry& e, const std::function<bool(const std::string&)>& removable) {
  static const std::set<std::string> network = {"nfs",  "nfs4",      "cifs",       "smb3",      "smbfs",
                                                "ncpfs", "afs",      "ceph",       "glusterfs", "9p",
                                                "davfs", "fuse.sshfs", "fuse.davfs2", "fuse.rclone"};
  static const std::set<std::string> disks = {"ext2", "ext3",  "ext4",    "xfs",   "btrfs", "f2fs", "jfs",
                                              "reiserfs", "zfs", "vfat", "msdos", "exfat", "ntfs", "ntfs3",
                                              "fuseblk", "hfsplus", "overlay", "nilfs2", "bcachefs"};
  if (network.count(e.type)) return DriveKind::Network;
  if (e.type == "iso9660" || e.type == "udf") return DriveKind::CdRom;
  if (e.type == "tmpfs" || e.type == "ramfs") {
    // The system's own memory folders are not drives a user keeps files on.
    for (const char* system : {"/dev", "/run", "/sys", "/proc"})
      if (Under(e.mountPoint, system)) return std::nullopt;
    return DriveKind::RamDisk;
  }
  if (!disks.count(e.type)) return std::nullopt;
  if (Under(e.mountPoint, "/media") || Under(e.mountPoint, "/run/media") || (removable && removable(e.device)))
    return DriveKind::Removable;
  return DriveKind::Fixed;
}

SpaceFacts SpaceOf(const std::string& folder) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return {};
  const auto unit = static_cast<std::int64_t>(st.f_frsize ? st.f_frsize : st.f_bsize);
  return {static_cast<std::int64_t>(st.f_blocks) * unit, static_cast<std::int64_t>(st.f_bavail) * unit};
}

SystemFacts ReadSystemFacts() {
  SystemFacts f;
  std::string osRelease = ReadWholeFile("/etc/os-release").value_or("");
  if (osRelease.empty()) osRelease = ReadWholeFile("/usr/lib/os-release").value_or("");
  f.osName = OsReleaseValue(osRelease, "PRETTY_NAME");
  if (f.osName.empty()) f.osName = OsReleaseValue(osRelease, "NAME");
  struct utsname u {};
  if (::uname(&u) == 0) {
    f.platform = u.sysname;
    f.kernelRelease = u.release;
    f.kernelVersion = MajorMinor(u.release);
    f.machine = u.machine;
  }
  f.processor = CpuModel();

  struct sysinfo si {};
  if (::sysinfo(&si) == 0) {
    const std::uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    f.totalPhysical = static_cast<std::uint64_t>(si.totalram) * unit;
    f.freePhysical = (static_cast<std::uint64_t>(si.freeram) + si.bufferram) * unit;
    f.totalSwap = static_cast<std::uint64_t>(si.totalswap) * unit;
    f.freeSwap = static_cast<std::uint64_t>(si.freeswap) * unit;
    f.totalVirtual = f.totalPhysical + f.totalSwap;
    f.freeVirtual = f.freePhysical + f.freeSwap;
    if (f.totalPhysical > 0)
      f.memoryLoad = (f.totalPhysical - std::min(f.freePhysical, f.totalPhysical)) * 100 / f.totalPhysical;
  }

  std::set<std::string> seen;
  for (const MountEntry& e : ParseMountTable(ReadWholeFile("/proc/self/mounts").value_or(""))) {
    const auto kind = ClassifyMount(e, DeviceIsRemovable);
    if (!kind || !seen.insert(e.mountPoint).second) continue;
    // A file bound over another is no drive. A network file system is not
    // asked: a server that does not answer would hold the send up.
    std::error_code ec;
    if (*kind != DriveKind::Network && !fs::is_directory(e.mountPoint, ec)) continue;
    DriveFacts d{e.mountPoint, *kind};
    if (*kind == DriveKind::Fixed) {
      const SpaceFacts space = SpaceOf(e.mountPoint);
      d.size = space.size;
      d.free = space.free;
    }
    f.drives.push_back(std::move(d));
  }
  return f;
}

bool WriteSystemInfo(const std::string& path, const SystemFacts& facts) {
  std::string text;
  for (const std::string& line : SystemInfoLines(facts)) text += line + "\r\n";
  return AtomicWriteFile(path, text).empty();
}

}  // namespace rpt::output
