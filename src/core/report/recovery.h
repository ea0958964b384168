// Recovery of unsaved work. While the desktop program has a report open and
// changed, its modified tables are written, at most once per interval and
// never in the middle of typing, into a folder of the user's data that is
// keyed by the report folder's path: the table files as a save would write
// them and a manifest (the time, the change marks, the package the tables
// were loaded from). After a crash or a power cut the next start offers
// them back. Nothing here touches the working folder or "Report.rpt".
//
//   Восстановление/<report folder name>-<hash of its path>/
//     Recovery.ini          the manifest (UTF-8), replaced in one rename
//     g<N>/<table files>    generation N, the one the manifest names
//   Восстановление/<...> (отложено)/   data set aside: declined or refused,
//                                      removed at the second start after
//
// Paths are UTF-8; table file names and titles are Windows-1251 in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/foundation/folders.h"

namespace rpt {

inline constexpr std::string_view kRecoveryManifestName = "Recovery.ini";
inline constexpr std::string_view kRecoveryAsideSuffix = " (отложено)";
// The environment variable that shortens the interval (tests); it can
// never lengthen it.
inline constexpr const char* kRecoveryIntervalVariable = "REPORT_RECOVERY_INTERVAL_MS";

// When the program writes.
struct RecoveryTiming {
  int intervalMs = 60000;  // at most one write per interval; no change waits longer
  int quietMs = 3000;      // since the last key or mouse button, before a write
  // The defaults, or a shorter interval from the environment with the quiet
  // time shortened in proportion.
  static RecoveryTiming FromEnvironment(const EnvLookup& getEnv = ProcessEnv);
  // How often the program should ask whether a write is due.
  int TickMs() const;
};

// Whether a write is due at `now` (milliseconds of one steady clock): a
// change not yet written was first seen at `changedAt`, the last write (or
// the report's opening) was at `lastWriteAt`, the last key or mouse button
// at `lastInputAt`. Once the interval since the last write has passed, a
// write waits for a pause of the quiet time, but a change never waits
// longer than the interval: typing without a pause gets its write between
// two keys.
bool RecoveryWriteDue(const RecoveryTiming& timing, std::int64_t now, std::int64_t changedAt,
                      std::int64_t lastWriteAt, std::int64_t lastInputAt);

// The local time as a manifest records it: "dd.mm.yyyy hh:mm:ss".
std::string RecoveryTimeNow();

// Milliseconds of the steady clock the program's recovery uses.
std::int64_t RecoveryClockMs();

struct RecoveryTable {
  std::string file;   // the item's "Файл" (Windows-1251)
  std::string title;  // the table's title (Windows-1251)
};

struct RecoveryManifest {
  std::string program;        // the program version that wrote it
  std::string reportVersion;  // the report format ("23_00_22")
  std::string report;         // the report folder (UTF-8, ends with "/")
  std::string package;        // PackageIdentity of "Report.rpt" the tables were loaded from
  std::string time;           // "dd.mm.yyyy hh:mm:ss", local time of the write
  std::int64_t generation = 0;
  bool reportChanged = false;
  bool documentOpened = false;
  int startsLeft = -1;        // set aside: program starts it survives; -1 in use
  std::string asideReason;    // Windows-1251, why it was set aside
  std::vector<RecoveryTable> tables;
  bool damaged = false;       // the manifest could not be read

  std::string Text() const;
  static RecoveryManifest Parse(std::string_view text);
};

// The version written into manifests; data of another is not restored.
std::string_view RecoveryProgramVersion();

// The folder the report's recovery lives in (ends with "/"), and the one
// it is set aside into.
std::string RecoveryFolderOf(const FolderSet& folders, const std::string& reportFolder);
std::string AsideFolderOf(const std::string& recoveryFolder);
// Generation N of a recovery folder.
std::string GenerationFolder(const std::string& recoveryFolder, std::int64_t generation);

// Size, modification time and checksum of the report's "Report.rpt": a
// package saved since has another. Empty without a package.
std::string PackageIdentity(const std::string& reportFolder);

// The manifest of a recovery folder; nothing when there is none.
std::optional<RecoveryManifest> ReadRecovery(const std::string& recoveryFolder);

// Why the data cannot be restored into the report whose package has the
// identity given (Windows-1251, a clause for the message); empty when it can.
std::string RecoveryRefusal(const RecoveryManifest& manifest, const std::string& recoveryFolder,
                            const std::string& packageIdentity);

// Moves the recovery aside (an older one set aside goes), to be removed at
// the second program start from now. Returns the folder it went to, empty
// when it could not be moved (then it is removed).
std::string SetRecoveryAside(const std::string& recoveryFolder, std::string_view reasonCp1251);
// Removes the recovery folder with its content.
void RemoveRecovery(const std::string& recoveryFolder);
// At program start: data set aside is counted down and removed at its end.
void PurgeAsideRecoveries(const FolderSet& folders);
// Copies the recovered table files into the working folder over the
// unpacked ones; returns the error text, empty on success.
std::string CopyRecoveredTables(const RecoveryManifest& manifest, const std::string& recoveryFolder,
                                const std::string& workingFolder);

// What one write puts on disk.
struct RecoverySnapshot {
  std::string folder;  // the recovery folder
  std::int64_t generation = 0;
  // File name (UTF-8) and the bytes a save would write.
  std::vector<std::pair<std::string, std::shared_ptr<const std::string>>> files;
  std::string manifest;
};

// Writes generation N (each file flushed), then the manifest naming it in
// one rename (the folder flushed), then removes the other generations: a
// crash at any moment leaves the last complete generation readable. Returns
// the error text, empty on success.
std::string WriteRecoverySnapshot(const RecoverySnapshot& snapshot);

}  // namespace rpt
