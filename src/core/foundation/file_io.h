// Whole-file reading and crash-safe writing, and the one lookup of a named
// file in a folder. All paths are UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

// Reads the whole file. Nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// As ReadWholeFile, but a file that exists and cannot be read raises
// EFileError: "Не удается прочитать файл \"path\": " + the system's reason.
// Nothing when there is no such file.
std::optional<std::string> ReadExistingFile(const std::string& path);

// Writes the bytes to a temporary file in the same folder, flushes it to disk
// and renames it over the target, so that the target holds either its old or
// its new content, never a truncated one. Returns an empty string on success,
// otherwise the system's error text.
std::string AtomicWriteFile(const std::string& path, std::string_view bytes);

// Writes every byte to an open file descriptor, going on after interrupted
// and partial writes. 0, or the errno of the write that failed.
int WriteAllTo(int fd, const void* data, std::size_t size);
inline int WriteAllTo(int fd, std::string_view bytes) { return WriteAllTo(fd, bytes.data(), bytes.size()); }

// File names compare without regard to letter case (Latin and Cyrillic), as
// on the file system the report files come from. A name that Windows-1251
// cannot hold compares byte for byte.
bool SameFileName(std::string_view utf8a, std::string_view utf8b);

// The path of the entry of `folder` whose name matches `name` case-
// insensitively: the exact spelling when it exists, else the first match in
// name order. Nothing when there is none. `folder` ends with "/".
std::optional<std::string> FindEntryNoCase(const std::string& folder, std::string_view name);

// Names (not paths) of the folder's entries matching a "*"/"?" mask
// case-insensitively, sorted by name. Regular files only unless asked.
std::vector<std::string> ListMatching(const std::string& folder, std::string_view mask,
                                      bool includeFolders = false);

// "*" and "?" wildcard match without regard to letter case (UTF-8 names).
bool MatchesMask(std::string_view utf8Name, std::string_view utf8Mask);

// A private folder under $TMPDIR (or /tmp), created with mode 0700 and
// removed with everything in it when the object goes. A failure to create it
// raises EFileError: `failure` + " \"path\". " + the system's reason.
class PrivateTempFolder {
 public:
  PrivateTempFolder(std::string_view prefix, std::string_view failure);
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

  // Ends with "/".
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Private folders of the process, listed so that an interrupted process can
// still remove them. PrivateTempFolder lists its own.
void RegisterTemporaryFolder(const std::string& path);
void UnregisterTemporaryFolder(const std::string& path);
// Installs handlers of SIGINT, SIGTERM, SIGHUP and SIGQUIT that remove every
// listed folder with its content and then end the process as the signal
// would have. For command-line programs, which have no event loop to end
// in an orderly way.
void RemoveTemporaryFoldersOnSignal();

// Appends "/" unless the path already ends with it.
std::string WithSeparator(std::string path);

}  // namespace rpt
