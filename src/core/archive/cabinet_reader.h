// TSTCabReader: extracts every file of a cabinet (and of the cabinets that
// follow it in a set) into a folder. Decompression is libmspack's; names,
// dates, attributes, the set and the errors are handled here.
//
// Stored names are decoded as UTF-8 when they carry the UTF-8 attribute
// (strictly: malformed sequences become U+FFFD) and as Windows-1251
// otherwise, and only then split into folders on "\" and "/". A cabinet with
// a name that would leave the destination folder is refused as corrupt
// before anything is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/interaction.h"
#include "core/archive/cabinet_error.h"

namespace rpt {

enum TSTCabReaderOption : unsigned {
  croExecuteOnExtract = 1,
  croDontOverwriteReadOnlyFiles = 2,
};

struct TSTCabFileInfo {
  std::string storedName;  // the bytes as stored
  std::string name;        // decoded to UTF-8, separators as stored
  std::uint32_t size = 0;
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;  // local time
  unsigned attribs = 0;
  int compression = 0;  // the folder's compression code
};

class TSTCabReader {
 public:
  TSTCabReader();
  ~TSTCabReader();
  TSTCabReader(const TSTCabReader&) = delete;
  TSTCabReader& operator=(const TSTCabReader&) = delete;

  unsigned Options = 0;  // TSTCabReaderOption bits

  // Events.
  std::function<void(const std::string& cabinet, const std::string& nextCabinet,
                     const std::string& nextDisk)> OnCabinetInfo;
  // May change the destination (UTF-8 path); an empty one skips the file.
  std::function<void(const TSTCabFileInfo& file, std::string& destination)> OnCopyFile;
  std::function<void(const TSTCabFileInfo& file, const std::string& destination)> OnCloseFile;
  // A file is complete on disk (written, closed, dated): called on the
  // thread that writes the files, as soon as it is, while the extraction
  // goes on. OnCloseFile comes later, on the calling thread.
  std::function<void(const std::string& destination)> OnFileWritten;
  // Asked when the following cabinet is not beside the first one: a folder
  // to look in, or nothing.
  std::function<std::optional<std::string>(const std::string& nextCabinet)> OnNextCabinet;
  // Bytes written so far of the total; false stops the extraction ("FDI aborted").
  std::function<bool(std::uint64_t done, std::uint64_t total)> OnProgress;
  // Where files marked to be run go with croExecuteOnExtract.
  Interaction* Shell = nullptr;

  // Extracts every file of the cabinet and of the cabinets following it into
  // the folder (created when missing). Files that can be extracted are, even
  // when others cannot; the first failure is raised at the end, and a file
  // that failed is not left behind. Files and folders are created without
  // following links already in the folder (a link is replaced). A cabinet
  // whose entries overlap within a folder or whose names lead to one file is
  // refused as corrupt, and one whose files together are larger than the
  // destination's free space raises EFileError naming both figures; both
  // before anything is written.
  void ExtractAll(const std::string& cabinet, const std::string& destinationFolder);

  // The files of the cabinet and the cabinets following it, as stored
  // (unsafe names included).
  std::vector<TSTCabFileInfo> List(const std::string& cabinet);

  const TSTCabErrorRecord& ErrorRecord() const { return error_; }

 private:
  struct Context;
  TSTCabErrorRecord error_;
};

// Raises EFileError when `declaredBytes` exceed the free space of the file
// system holding `destination` (a folder that exists).
void RefuseBeyondFreeSpace(const std::string& destination, std::uint64_t declaredBytes);

}  // namespace rpt
