#include "core/archive/cabinet_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/archive/cabinet_format.h"
#include "core/archive/cabinet_names.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace cabinet;

namespace {

struct FileEntry {
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // uncompressed offset inside its folder
  std::uint16_t folder = 0;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::uint16_t attribs = 0;
  std::string name;  // stored bytes
};

struct FolderEntry {
  std::uint64_t dataOffset = 0;  // of its first data block inside the data area
  std::uint32_t blocks = 0;
  std::uint16_t type = 0;
};

// Level 5 with the previous block as dictionary packs report files smaller
// than other MSZIP writers do at level 6 without one, in about 60% of their
// time (bench/archive_vs_peers.sh).
constexpr int kDeflateLevel = 5;

// Buffered output to the temporary data file goes out in pieces of this size.
constexpr std::size_t kTempFlushSize = 1 << 20;

void DosDateTime(std::time_t t, std::uint16_t& date, std::uint16_t& time) {
  std::tm tm{};
  localtime_r(&t, &tm);
  int year = tm.tm_year + 1900;
  if (year < 1980) {
    date = (1 << 5) | 1;  // 01.01.1980 00:00:00
    time = 0;
    return;
  }
  if (year > 2107) {
    date = std::uint16_t((127 << 9) | (12 << 5) | 31);
    time = std::uint16_t((23 << 11) | (59 << 5) | 29);
    return;
  }
  date = std::uint16_t(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  time = std::uint16_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

// Joins two names inside a cabinet with exactly one "\" between non-empty parts.
std::string JoinInside(std::string_view folder, std::string_view name) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.remove_suffix(1);
  while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.remove_prefix(1);
  if (folder.empty()) return std::string(name);
  if (name.empty()) return std::string(folder);
  std::string joined(folder);
  joined += '\\';
  joined += name;
  return joined;
}

[[noreturn]] void RaiseListingError(int err) {
  throw EFileError("System Error.  Code: " + std::to_string(err) + ".\r\n" + std::strerror(err), err);
}

}  // namespace

struct TSTCabWriter::State {
  TSTCabParameters params;  // the cabinet being built
  TSTCabParameters first;   // the first cabinet of the set (for the name templates)
  TSTCabParameters previous;
  bool hasPrevious = false;
  std::string fullPath;     // of the cabinet being built

  int tempFd = -1;
  std::uint64_t dataSize = 0;  // bytes of data blocks so far (written + buffered)
  std::vector<unsigned char> pending;

  std::vector<FolderEntry> folders;
  std::vector<FileEntry> files;
  bool folderOpen = false;
  std::uint64_t folderBytes = 0;
  std::uint32_t folderBlocks = 0;
  std::uint16_t folderType = kCompressMsZip;

  std::vector<unsigned char> block;       // uncompressed input of the block being filled
  std::size_t blockFill = 0;
  std::vector<unsigned char> dictionary;  // the previous full block of the folder
  bool haveDictionary = false;
  z_stream zs{};
  bool zInit = false;
  std::vector<unsigned char> compressed;

  int filesInCabinet = 0;
  int filesInFolder = 0;
  int progressCountdown = 8;
  std::int64_t bytesDone = 0;
  int fatal = 0;  // code of a failure that left the data unusable
  bool written = false;  // flushed, and nothing added since

  ~State() {
    if (tempFd >= 0) ::close(tempFd);
    if (zInit) deflateEnd(&zs);
  }
};

TSTCabWriter::TSTCabWriter() = default;

TSTCabWriter::~TSTCabWriter() { state_.reset(); }

int TSTCabWriter::CompressionCode() const {
  switch (CompressionType) {
    case TSTCabCompressionType::cctNone: return 0;
    case TSTCabCompressionType::cctMsZip: return 1;
    case TSTCabCompressionType::cctLzx: return 3 + 256 * CompressionLzxLevel;
  }
  return 15;
}

bool TSTCabWriter::IsOpen() const { return state_ != nullptr; }

void TSTCabWriter::Fail(int code, int systemError) {
  error_ = TSTCabErrorRecord{code, systemError, true};
  throw ESTCabinet(error_, true);
}

void TSTCabWriter::CheckCancel(bool goOn) {
  if (!goOn) Fail(kFciErrUserAbort);
}

std::string TSTCabWriter::TemplateName(const std::string& tmpl, int number) const {
  std::string out;
  for (const char c : tmpl) {
    if (c == '*')
      out += std::to_string(number);
    else
      out += c;
  }
  return out;
}

TSTCabParameters TSTCabWriter::NextParameters() const {
  const State& s = *state_;
  TSTCabParameters next = s.params;
  next.cabinetNumber = s.params.cabinetNumber + 1;
  next.diskLabel = TemplateName(DiskLabelTemplate.empty() ? "Disk*" : DiskLabelTemplate, next.cabinetNumber);
  std::string nameTemplate = CabinetNameTemplate;
  if (nameTemplate.empty()) {
    nameTemplate = s.first.cabinetName;
    const auto dot = nameTemplate.rfind('.');
    if (dot == std::string::npos)
      nameTemplate += '*';
    else
      nameTemplate.insert(dot, "*");
  }
  next.cabinetName = TemplateName(nameTemplate, next.cabinetNumber);
  next.cabinetFolder = CabinetPathTemplate.empty()
                           ? s.first.cabinetFolder
                           : WithSeparator(TemplateName(CabinetPathTemplate, next.cabinetNumber));
  return next;
}

void TSTCabWriter::StartCabinet(const TSTCabParameters& params, bool replaceExisting) {
  State& s = *state_;
  s.params = params;
  s.fullPath = params.cabinetFolder + params.cabinetName;
  if (replaceExisting) {
    std::error_code ec;
    fs::create_directories(params.cabinetFolder, ec);
    if (::unlink(s.fullPath.c_str()) != 0 && errno != ENOENT) Fail(kFciErrCabFile, errno);
  }
  s.folders.clear();
  s.files.clear();
  s.folderOpen = false;
  s.dataSize = 0;
  s.pending.clear();
  if (::ftruncate(s.tempFd, 0) != 0 || ::lseek(s.tempFd, 0, SEEK_SET) != 0) Fail(kFciErrTempFile, errno);
  s.filesInCabinet = 0;
  s.filesInFolder = 0;
}

void TSTCabWriter::Open(const std::string& fileName) {
  Close(false);
  error_ = {};
  const fs::path full = fs::absolute(fs::path(fileName)).lexically_normal();
  auto state = std::make_unique<State>();
  TSTCabParameters& p = state->params;
  p.cabinetSizeThreshold = CabinetSizeThreshold > 0 ? CabinetSizeThreshold : 2147483647;
  p.folderSizeThreshold = FolderSizeThreshold;
  p.reserveCabinet = ReservePerCabinetSize;
  p.reserveFolder = ReservePerFolderSize;
  p.reserveData = ReservePerDataSize;
  p.cabinetNumber = 1;
  p.setId = SetID;
  p.diskLabel = TemplateName(DiskLabelTemplate.empty() ? "Disk*" : DiskLabelTemplate, 1);
  p.cabinetName = full.filename().string();
  p.cabinetFolder = WithSeparator(full.parent_path().string());
  if (OnGetNextCabinet && !OnGetNextCabinet(0, p)) Fail(kFciErrUserAbort);
  if (p.reserveCabinet < 0 || p.reserveCabinet > 60000 || p.reserveFolder < 0 || p.reserveFolder > 255 ||
      p.reserveData < 0 || p.reserveData > 255)
    Fail(kFciErrFormatLimit);
  state->first = p;

  // The data blocks collect in an anonymous temporary file until the cabinet
  // is flushed, since the header and file table come first.
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = WithSeparator(tmp && *tmp ? tmp : "/tmp") + "stcXXXXXX";
  state->tempFd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (state->tempFd < 0) Fail(kFciErrTempFile, errno);
  ::unlink(pattern.c_str());

  state->block.resize(kBlockSize);
  state->dictionary.resize(kBlockSize);
  if (deflateInit2(&state->zs, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    Fail(kFciErrAllocFail);
  state->zInit = true;
  state->compressed.resize(2 + deflateBound(&state->zs, kBlockSize));
  state_ = std::move(state);
  try {
    StartCabinet(p, true);
  } catch (...) {
    state_.reset();
    throw;
  }
}

void TSTCabWriter::EmitBlock() {
  State& s = *state_;
  const std::size_t n = s.blockFill;
  if (n == 0) return;
  const unsigned char* data = s.block.data();
  std::size_t size = n;
  if (s.folderType == kCompressMsZip) {
    // Each block is a complete deflate stream; it may refer back into the
    // previous block, which every MSZIP decoder keeps as its window.
    z_stream& zs = s.zs;
    if (deflateReset(&zs) != Z_OK) {
      s.fatal = kFciErrMciFail;
      Fail(kFciErrMciFail);
    }
    if (s.haveDictionary && deflateSetDictionary(&zs, s.dictionary.data(), kBlockSize) != Z_OK) {
      s.fatal = kFciErrMciFail;
      Fail(kFciErrMciFail);
    }
    s.compressed[0] = 'C';
    s.compressed[1] = 'K';
    zs.next_in = s.block.data();
    zs.avail_in = static_cast<uInt>(n);
    zs.next_out = s.compressed.data() + 2;
    zs.avail_out = static_cast<uInt>(s.compressed.size() - 2);
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
      s.fatal = kFciErrMciFail;
      Fail(kFciErrMciFail);
    }
    data = s.compressed.data();
    size = s.compressed.size() - zs.avail_out;
  }
  unsigned char header[kDataHeaderSize];
  PutU16(header + 4, static_cast<std::uint16_t>(size));
  PutU16(header + 6, static_cast<std::uint16_t>(n));
  PutU32(header, Checksum(header + 4, 4, Checksum(data, size, 0)));
  s.pending.insert(s.pending.end(), header, header + kDataHeaderSize);
  s.pending.insert(s.pending.end(), static_cast<std::size_t>(s.params.reserveData), 0);
  s.pending.insert(s.pending.end(), data, data + size);
  s.dataSize += kDataHeaderSize + s.params.reserveData + size;
  if (s.pending.size() >= kTempFlushSize) {
    if (const int err = WriteAllTo(s.tempFd, s.pending.data(), s.pending.size())) {
      s.fatal = kFciErrTempFile;
      Fail(kFciErrTempFile, err);
    }
    s.pending.clear();
  }
  ++s.folderBlocks;
  if (n == kBlockSize) {
    std::swap(s.block, s.dictionary);
    s.haveDictionary = true;
  }
  s.blockFill = 0;
  s.bytesDone += static_cast<std::int64_t>(n);
  if (OnFileStatus) CheckCancel(OnFileStatus(static_cast<std::int64_t>(size), static_cast<std::int64_t>(n)));
  if (--s.progressCountdown == 0) {
    s.progressCountdown = 8;
    if (OnProgress) CheckCancel(OnProgress(s.bytesDone));
  }
}

void TSTCabWriter::EndFolder() {
  State& s = *state_;
  if (!s.folderOpen) return;
  EmitBlock();
  s.folders.back().blocks = s.folderBlocks;
  s.folderOpen = false;
  if (OnFolderStatus)
    CheckCancel(OnFolderStatus(s.folderBlocks, static_cast<std::int64_t>(s.folderBytes)));
}

void TSTCabWriter::AddFile(const std::string& sourcePath, std::string_view nameInCabinet, bool execute) {
  if (!state_) throw ESTCabinet(TSTCabErrorRecord{}, true);
  if (state_->fatal) Fail(state_->fatal);
  if (CabinetFileCountThreshold > 0 && state_->filesInCabinet >= CabinetFileCountThreshold)
    FlushCabinet(true);
  else if (FolderFileCountThreshold > 0 && state_->filesInFolder >= FolderFileCountThreshold)
    FlushFolder();
  State& s = *state_;

  if (!nameInCabinet.empty() && (nameInCabinet.front() == '\\' || nameInCabinet.front() == '/'))
    nameInCabinet.remove_prefix(1);
  const TSTCabStoredName stored = EncodeCabinetName(nameInCabinet);
  // A name no reader may extract safely is refused here rather than stored.
  if (!SafeNameParts(DecodeCabinetName(stored.bytes, stored.utf8))) Fail(kFciErrOpenSrc, EINVAL);
  if (stored.bytes.size() > kMaxNameBytes) Fail(kFciErrFormatLimit, ENAMETOOLONG);

  const int code = CompressionCode();
  std::uint16_t type;
  if (code == 0)
    type = kCompressNone;
  else if (code == 1 || (CompressionType == TSTCabCompressionType::cctLzx &&
                         CompressionLzxLevel >= kCabLzxMinLevel && CompressionLzxLevel <= kCabLzxMaxLevel))
    type = kCompressMsZip;
  else
    Fail(kFciErrBadComprType);
  if (s.files.size() >= 0xFFFF) Fail(kFciErrFormatLimit);

  const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(kFciErrOpenSrc, errno);
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) Fail(kFciErrOpenSrc, errno);
  if (S_ISDIR(st.st_mode)) Fail(kFciErrReadSrc, EISDIR);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > kMaxFolderBytes) Fail(kFciErrFormatLimit, EFBIG);

  // A file never spans folders: start a new one when this file would pass
  // the block limit or the folder size threshold, or uses another method.
  if (s.folderOpen && (s.folderType != type || s.folderBytes + size > kMaxFolderBytes ||
                       (s.params.folderSizeThreshold > 0 && s.folderBytes > 0 &&
                        s.folderBytes + size > static_cast<std::uint64_t>(s.params.folderSizeThreshold)))) {
    EndFolder();
    s.filesInFolder = 0;
  }
  // Likewise a following cabinet starts before a file once this one is over
  // its size threshold.
  if (s.filesInCabinet > 0 && CabinetSizeThreshold > 0 &&
      static_cast<std::int64_t>(s.dataSize + s.blockFill + size) > CabinetSizeThreshold) {
    FlushCabinet(true);
  }
  if (!s.folderOpen) {
    if (s.folders.size() >= 0xFFFF) Fail(kFciErrFormatLimit);
    s.folders.push_back(FolderEntry{s.dataSize, 0, type});
    s.folderOpen = true;
    s.folderType = type;
    s.folderBytes = 0;
    s.folderBlocks = 0;
    s.haveDictionary = false;
    s.blockFill = 0;
  }

  FileEntry entry;
  entry.size = static_cast<std::uint32_t>(size);
  entry.offset = static_cast<std::uint32_t>(s.folderBytes);
  entry.folder = static_cast<std::uint16_t>(s.folders.size() - 1);
  DosDateTime(st.st_mtime, entry.date, entry.time);
  if (!(st.st_mode & S_IWUSR)) entry.attribs |= kAttribReadOnly;
  if (execute) entry.attribs |= kAttribExecute;
  if (stored.utf8) entry.attribs |= kCabNameIsUtf;
  entry.name = stored.bytes;

  std::uint64_t remaining = size;
  while (remaining > 0) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kBlockSize - s.blockFill));
    const ssize_t got = ::read(fd, s.block.data() + s.blockFill, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(kFciErrReadSrc, errno);
    }
    if (got == 0) Fail(kFciErrReadSrc);  // the file shrank while being read
    s.blockFill += static_cast<std::size_t>(got);
    s.folderBytes += static_cast<std::uint64_t>(got);
    remaining -= static_cast<std::uint64_t>(got);
    if (s.blockFill == kBlockSize) EmitBlock();
  }
  s.files.push_back(std::move(entry));
  s.written = false;
  ++s.filesInCabinet;
  ++s.filesInFolder;
  if (OnFilePlaced) OnFilePlaced(s.fullPath, std::string(nameInCabinet), static_cast<std::int64_t>(size));
}

void TSTCabWriter::AddFiles(const std::string& pathPattern, std::string_view insideFolder,
                            bool includeSubfolders) {
  const auto slash = pathPattern.rfind('/');
  const std::string folder = slash == std::string::npos ? "./" : pathPattern.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pathPattern : pathPattern.substr(slash + 1);
  AddFilesIn(folder, mask, std::string(insideFolder), includeSubfolders);
}

void TSTCabWriter::AddFilesIn(const std::string& folder, std::string_view mask, const std::string& inside,
                              bool includeSubfolders) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) RaiseListingError(ec.value());
  std::vector<std::string> files;
  std::vector<std::string> folders;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) RaiseListingError(ec.value());
    std::error_code sec;
    const std::string name = it->path().filename().string();
    if (it->is_symlink(sec) ? false : it->is_directory(sec)) {
      folders.push_back(name);
    } else if (it->is_regular_file(sec)) {
      if (!mask.empty() && MatchesMask(name, mask)) files.push_back(name);
    }
  }
  if (ec) RaiseListingError(ec.value());
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  for (const auto& name : files) AddFile(folder + name, JoinInside(inside, name), false);
  if (!includeSubfolders) return;
  for (const auto& name : folders)
    AddFilesIn(folder + name + "/", mask, JoinInside(inside, name), true);
}

void TSTCabWriter::WriteCabinet(const TSTCabParameters* next) {
  State& s = *state_;
  EndFolder();
  if (!s.pending.empty()) {
    if (const int err = WriteAllTo(s.tempFd, s.pending.data(), s.pending.size())) {
      s.fatal = kFciErrTempFile;
      Fail(kFciErrTempFile, err);
    }
    s.pending.clear();
  }
  const TSTCabParameters& p = s.params;
  const bool reserve = p.reserveCabinet > 0 || p.reserveFolder > 0 || p.reserveData > 0;
  std::uint16_t flags = 0;
  if (reserve) flags |= kFlagReservePresent;
  if (s.hasPrevious) flags |= kFlagPrevCabinet;
  if (next) flags |= kFlagNextCabinet;

  std::vector<unsigned char> head(kHeaderSize, 0);
  if (reserve) {
    unsigned char r[4];
    PutU16(r, static_cast<std::uint16_t>(p.reserveCabinet));
    r[2] = static_cast<unsigned char>(p.reserveFolder);
    r[3] = static_cast<unsigned char>(p.reserveData);
    head.insert(head.end(), r, r + 4);
    head.insert(head.end(), static_cast<std::size_t>(p.reserveCabinet), 0);
  }
  auto putName = [&head](const std::string& utf8) {
    const std::string bytes = EncodeCabinetName(utf8).bytes;
    head.insert(head.end(), bytes.begin(), bytes.end());
    head.push_back(0);
  };
  if (s.hasPrevious) {
    putName(s.previous.cabinetName);
    putName(s.previous.diskLabel);
  }
  if (next) {
    putName(next->cabinetName);
    putName(next->diskLabel);
  }
  const std::size_t foldersAt = head.size();
  const std::size_t folderEntrySize = kFolderSize + static_cast<std::size_t>(p.reserveFolder);
  std::size_t filesAt = foldersAt + s.folders.size() * folderEntrySize;
  std::size_t dataAt = filesAt;
  for (const auto& f : s.files) dataAt += kFileSize + f.name.size() + 1;
  const std::uint64_t total = dataAt + s.dataSize;
  if (total > 0x7FFFFFFFu || s.folders.size() > 0xFFFF || s.files.size() > 0xFFFF) Fail(kFciErrFormatLimit);

  unsigned char* h = head.data();
  std::memcpy(h, "MSCF", 4);
  PutU32(h + 8, static_cast<std::uint32_t>(total));
  PutU32(h + 16, static_cast<std::uint32_t>(filesAt));
  h[24] = 3;  // version 1.3
  h[25] = 1;
  PutU16(h + 26, static_cast<std::uint16_t>(s.folders.size()));
  PutU16(h + 28, static_cast<std::uint16_t>(s.files.size()));
  PutU16(h + 30, flags);
  PutU16(h + 32, p.setId);
  PutU16(h + 34, static_cast<std::uint16_t>(p.cabinetNumber - 1));
  for (const auto& f : s.folders) {
    unsigned char e[kFolderSize];
    PutU32(e, static_cast<std::uint32_t>(dataAt + f.dataOffset));
    PutU16(e + 4, static_cast<std::uint16_t>(f.blocks));
    PutU16(e + 6, f.type);
    head.insert(head.end(), e, e + kFolderSize);
    head.insert(head.end(), static_cast<std::size_t>(p.reserveFolder), 0);
  }
  for (const auto& f : s.files) {
    unsigned char e[kFileSize];
    PutU32(e, f.size);
    PutU32(e + 4, f.offset);
    PutU16(e + 8, f.folder);
    PutU16(e + 10, f.date);
    PutU16(e + 12, f.time);
    PutU16(e + 14, f.attribs);
    head.insert(head.end(), e, e + kFileSize);
    head.insert(head.end(), f.name.begin(), f.name.end());
    head.push_back(0);
  }

  const int out = ::open(s.fullPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) Fail(kFciErrCabFile, errno);
  auto failOut = [&](int err) {
    ::close(out);
    ::unlink(s.fullPath.c_str());
    Fail(kFciErrCabFile, err);
  };
  if (const int err = WriteAllTo(out, head.data(), head.size())) failOut(err);
  // The data blocks follow the file table; the kernel copies them over.
  std::uint64_t copied = 0;
  loff_t inOffset = 0;
  bool useCopyRange = true;
  std::vector<unsigned char> buffer;
  while (copied < s.dataSize) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(s.dataSize - copied, 1 << 24));
    if (useCopyRange) {
      const ssize_t n = ::copy_file_range(s.tempFd, &inOffset, out, nullptr, chunk, 0);
      if (n > 0) {
        copied += static_cast<std::uint64_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
        failOut(errno);
      if (n == 0) failOut(EIO);
      useCopyRange = false;
      buffer.resize(1 << 20);
    }
    const std::size_t piece = std::min<std::size_t>(chunk, buffer.size());
    const ssize_t n = ::pread(s.tempFd, buffer.data(), piece, static_cast<off_t>(copied));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failOut(n < 0 ? errno : EIO);
    if (const int err = WriteAllTo(out, buffer.data(), static_cast<std::size_t>(n))) failOut(err);
    copied += static_cast<std::uint64_t>(n);
    inOffset = static_cast<loff_t>(copied);
  }
  if (::close(out) != 0) {
    const int err = errno;
    ::unlink(s.fullPath.c_str());
    Fail(kFciErrCabFile, err);
  }
  if (OnCabinetStatus) CheckCancel(OnCabinetStatus(s.fullPath, static_cast<std::int64_t>(total)));
}

void TSTCabWriter::FlushFolder() {
  if (!state_) throw ESTCabinet(TSTCabErrorRecord{}, true);
  if (state_->fatal) Fail(state_->fatal);
  EndFolder();
  state_->filesInFolder = 0;
}

void TSTCabWriter::FlushCabinet(bool startNext) {
  if (!state_) throw ESTCabinet(TSTCabErrorRecord{}, true);
  State& s = *state_;
  if (s.fatal) Fail(s.fatal);
  if (!startNext) {
    WriteCabinet(nullptr);
    const TSTCabParameters same = s.params;
    StartCabinet(same, false);
    s.written = true;
    return;
  }
  TSTCabParameters next = NextParameters();
  if (OnGetNextCabinet) CheckCancel(OnGetNextCabinet(next.cabinetNumber - 1, next));
  WriteCabinet(&next);
  s.previous = s.params;
  s.hasPrevious = true;
  StartCabinet(next, true);
}

void TSTCabWriter::Close(bool flush) {
  if (!state_) return;
  try {
    if (flush) {
      if (state_->fatal) Fail(state_->fatal);
      if (!state_->written) WriteCabinet(nullptr);
    }
  } catch (...) {
    state_.reset();
    throw;
  }
  state_.reset();
}

}  // namespace rpt
