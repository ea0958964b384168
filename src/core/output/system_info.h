// "SInfo.Inf": a short description of the computer that prepared a report,
// written into the working folder before every send and carried inside the
// send archive. Four blocks in a fixed order (operating system and
// processor, memory, drives, printers) with fixed headings and labels;
// Windows-1251, every line ended by CR LF.
//
// The facts are gathered from the machine (os-release, uname, the CPU
// description, sysinfo, the mount table with statvfs) apart from the
// printers, which the front end lists; the text is made from the facts
// alone, so that it can be checked for any machine.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rpt::output {

// How a mounted file system shows in the drives block.
enum class DriveKind { Fixed, Removable, Network, CdRom, RamDisk };

struct DriveFacts {
  std::string mountPoint;  // UTF-8
  DriveKind kind = DriveKind::Fixed;
  std::int64_t size = -1;  // bytes, -1: cannot be read (fixed drives only)
  std::int64_t free = -1;  // bytes, -1: cannot be read
};

struct PrinterFacts {
  std::string name;  // UTF-8
  bool current = false;
};

struct SystemFacts {
  std::string osName;         // os-release PRETTY_NAME, e.g. "Debian GNU/Linux 12 (bookworm)"
  std::string kernelVersion;  // major.minor of the kernel, e.g. "6.1"
  std::string kernelRelease;  // the whole release, e.g. "6.1.0-18-amd64"
  std::string platform;       // the kernel's name, e.g. "Linux"
  std::string machine;        // e.g. "x86_64"
  std::string processor;      // "model name" of the CPU description
  std::uint64_t memoryLoad = 0;  // percent
  std::uint64_t totalPhysical = 0, freePhysical = 0;
  std::uint64_t totalSwap = 0, freeSwap = 0;
  std::uint64_t totalVirtual = 0, freeVirtual = 0;
  std::vector<DriveFacts> drives;
  std::vector<PrinterFacts> printers;
};

// The lines of the file (Windows-1251, without line ends).
std::vector<std::string> SystemInfoLines(const SystemFacts& facts);

// One line of the mount table ("/proc/self/mounts").
struct MountEntry {
  std::string device, mountPoint, type;
};
// The entries of a mount table's text; the octal escapes of names ("\040"
// for a blank) decoded.
std::vector<MountEntry> ParseMountTable(const std::string& text);
// The kind of a mounted file system, or nothing for the kernel's own file
// systems (proc, sysfs, cgroup ...) and the memory file systems of the
// system's folders, which the block leaves out. `removable` tells whether
// a block device is a removable medium.
std::optional<DriveKind> ClassifyMount(const MountEntry& entry,
                                       const std::function<bool(const std::string& device)>& removable);

// The statvfs figures of a folder's file system: size and free bytes, -1
// each when they cannot be read.
struct SpaceFacts {
  std::int64_t size = -1, free = -1;
};
SpaceFacts SpaceOf(const std::string& folder);

// Everything but the printers, read from this machine.
SystemFacts ReadSystemFacts();

// Writes the file (replacing it). Failures are ignored, as the file only
// informs: the result says whether it was written.
bool WriteSystemInfo(const std::string& path, const SystemFacts& facts);

}  // namespace rpt::output
