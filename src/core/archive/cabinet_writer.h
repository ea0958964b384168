// TSTCabWriter: builds Microsoft Cabinet files from files on disk.
//
// The data is compressed with MSZIP (zlib's deflate, one complete stream of
// at most 32 KiB of input per data block, each block primed with the previous
// block as dictionary) or stored. The LZX code of CompressionType/
// CompressionLzxLevel stays what CompressionCode() reports, but LZX folders
// are written as MSZIP: every reader of ours and of the peers reads MSZIP.
//
// Names are stored as Windows-1251 bytes with "\" between folders; a name the
// code page cannot hold is stored as UTF-8 with the UTF-8 name attribute.
// Dates are the files' last-write times in local time (2-second resolution).
// A folder holds at most 65,535 data blocks; the writer starts a new folder
// before a file that would pass that.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/archive/cabinet_error.h"

namespace rpt {

enum class TSTCabCompressionType { cctNone, cctMsZip, cctLzx };

inline constexpr int kCabLzxMinLevel = 15;
inline constexpr int kCabLzxMaxLevel = 21;

// The parameters of the cabinet being built (the writer's parameter record).
struct TSTCabParameters {
  std::int64_t cabinetSizeThreshold = 0;
  std::int64_t folderSizeThreshold = 0;
  int reserveCabinet = 0;
  int reserveFolder = 0;
  int reserveData = 0;
  int cabinetNumber = 1;  // 1 for the first cabinet of a set
  std::uint16_t setId = 0;
  std::string diskLabel;
  std::string cabinetName;    // file name without folder (UTF-8)
  std::string cabinetFolder;  // ends with "/"
};

class TSTCabWriter {
 public:
  TSTCabWriter();
  ~TSTCabWriter();  // closes without flushing
  TSTCabWriter(const TSTCabWriter&) = delete;
  TSTCabWriter& operator=(const TSTCabWriter&) = delete;

  // Published properties (0 thresholds mean "no limit").
  std::int64_t CabinetSizeThreshold = 0;
  int CabinetFileCountThreshold = 0;
  std::int64_t FolderSizeThreshold = 0;
  int FolderFileCountThreshold = 0;
  int ReservePerCabinetSize = 0;
  int ReservePerFolderSize = 0;
  int ReservePerDataSize = 0;
  std::uint16_t SetID = 0;
  std::string CabinetNameTemplate;
  std::string CabinetPathTemplate;
  std::string DiskLabelTemplate;
  TSTCabCompressionType CompressionType = TSTCabCompressionType::cctLzx;
  int CompressionLzxLevel = 21;

  // Events. A handler returning false cancels the operation
  // ("Client requested abort").
  std::function<void(const std::string& cabinet, const std::string& name, std::int64_t size)>
      OnFilePlaced;
  // Cabinet 0 is the first one (from Open); the handler may change the parameters.
  std::function<bool(int cabinetNumber, TSTCabParameters& params)> OnGetNextCabinet;
  // After each data block: compressed and uncompressed sizes of the block.
  std::function<bool(std::int64_t compressed, std::int64_t uncompressed)> OnFileStatus;
  // When a folder is closed: its number of blocks and uncompressed size.
  std::function<bool(std::int64_t blocks, std::int64_t uncompressed)> OnFolderStatus;
  // When a cabinet file has been written: its path and size.
  std::function<bool(const std::string& cabinet, std::int64_t size)> OnCabinetStatus;
  // On every eighth file-status report: uncompressed bytes so far.
  std::function<bool(std::int64_t bytesDone)> OnProgress;

  // The code of the compression asked for: cctNone 0, cctMsZip 1,
  // cctLzx 3 + 256 × level, anything else 15.
  int CompressionCode() const;

  bool IsOpen() const;
  const TSTCabErrorRecord& ErrorRecord() const { return error_; }

  void Open(const std::string& fileName);
  // A leading "\" (or "/") of the name is removed.
  void AddFile(const std::string& sourcePath, std::string_view nameInCabinet, bool execute = false);
  // Every file matching the wildcard of `pathPattern` ("folder/*.ini"),
  // case-insensitively, under `insideFolder`; then every subfolder when asked.
  void AddFiles(const std::string& pathPattern, std::string_view insideFolder, bool includeSubfolders);
  void FlushCabinet(bool startNext);
  void FlushFolder();
  void Close(bool flush);

 private:
  struct State;
  [[noreturn]] void Fail(int code, int systemError = 0);
  void CheckCancel(bool goOn);
  void AddFilesIn(const std::string& folder, std::string_view mask, const std::string& inside,
                  bool includeSubfolders);
  void EmitBlock();
  void EndFolder();
  void WriteCabinet(const TSTCabParameters* next);
  std::string TemplateName(const std::string& tmpl, int number) const;
  TSTCabParameters NextParameters() const;
  void StartCabinet(const TSTCabParameters& params, bool replaceExisting);

  std::unique_ptr<State> state_;
  TSTCabErrorRecord error_;
};

}  // namespace rpt
