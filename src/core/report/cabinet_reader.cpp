#include "core/report/cabinet_reader.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

#include "core/foundation/file_io.h"
#include "core/report/cabinet_format.h"
#include "core/report/cabinet_names.h"

namespace fs = std::filesystem;

namespace rpt {

namespace {

// A cabinet set longer than this is taken for a loop of next-cabinet names.
constexpr int kMaxCabinetsInSet = 1024;

// The file callbacks given to libmspack: plain descriptors, the last system
// error kept for the message, output counted for progress and cancelling.
struct ReaderSystem {
  mspack_system base;
  int lastError = 0;
  bool outputOpenFailed = false;
  bool cancelled = false;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  const std::function<bool(std::uint64_t, std::uint64_t)>* progress = nullptr;
};

struct ReaderFile {
  int fd;
  ReaderSystem* sys;
  bool output;
};

ReaderSystem* Sys(mspack_system* self) { return reinterpret_cast<ReaderSystem*>(self); }

mspack_file* SysOpen(mspack_system* self, const char* filename, int mode) {
  ReaderSystem* sys = Sys(self);
  int flags = O_CLOEXEC;
  bool output = false;
  switch (mode) {
    case MSPACK_SYS_OPEN_READ: flags |= O_RDONLY; break;
    case MSPACK_SYS_OPEN_WRITE: flags |= O_WRONLY | O_CREAT | O_TRUNC; output = true; break;
    default: sys->lastError = EINVAL; return nullptr;
  }
  const int fd = ::open(filename, flags, 0666);
  if (fd < 0) {
    sys->lastError = errno;
    if (output) sys->outputOpenFailed = true;
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(new ReaderFile{fd, sys, output});
}

void SysClose(mspack_file* file) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f) return;
  if (::close(f->fd) != 0 && f->output) f->sys->lastError = errno;
  delete f;
}

int SysRead(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f || bytes < 0) return -1;
  auto* p = static_cast<char*>(buffer);
  int got = 0;
  while (got < bytes) {
    const ssize_t n = ::read(f->fd, p + got, static_cast<std::size_t>(bytes - got));
    if (n < 0) {
      if (errno == EINTR) continue;
      f->sys->lastError = errno;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<int>(n);
  }
  return got;
}

int SysWrite(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f || bytes < 0) return -1;
  ReaderSystem* sys = f->sys;
  if (f->output) {
    sys->done += static_cast<std::uint64_t>(bytes);
    if (sys->progress && *sys->progress && !(*sys->progress)(sys->done, sys->total)) {
      sys->cancelled = true;
      return -1;
    }
  }
  const auto* p = static_cast<const char*>(buffer);
  int put = 0;
  while (put < bytes) {
    const ssize_t n = ::write(f->fd, p + put, static_cast<std::size_t>(bytes - put));
    if (n < 0) {
      if (errno == EINTR) continue;
      sys->lastError = errno;
      return -1;
    }
    put += static_cast<int>(n);
  }
  return put;
}

int SysSeek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f) return -1;
  int whence = SEEK_SET;
  switch (mode) {
    case MSPACK_SYS_SEEK_START: whence = SEEK_SET; break;
    case MSPACK_SYS_SEEK_CUR: whence = SEEK_CUR; break;
    case MSPACK_SYS_SEEK_END: whence = SEEK_END; break;
    default: return -1;
  }
  if (::lseek(f->fd, offset, whence) < 0) {
    f->sys->lastError = errno;
    return -1;
  }
  return 0;
}

off_t SysTell(mspack_file* file) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  return f ? ::lseek(f->fd, 0, SEEK_CUR) : -1;
}

void SysMessage(mspack_file*, const char*, ...) {}

void* SysAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void SysFree(void* p) { std::free(p); }
void SysCopy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

// What the reader needs of a cabinet's header before handing it to libmspack.
struct HeaderFacts {
  bool readable = false;   // at least the fixed header is there with the signature
  int versionMajor = 1;
  std::uint16_t files = 0;
  std::uint16_t folders = 0;
  int reserveFolder = 0;
  int reserveData = 0;
};

HeaderFacts PeekHeader(const std::string& path) {
  HeaderFacts facts;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return facts;
  unsigned char h[cabinet::kHeaderSize + 4] = {};
  ssize_t got = 0;
  while (got < static_cast<ssize_t>(sizeof h)) {
    const ssize_t n = ::read(fd, h + got, sizeof h - static_cast<std::size_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  if (got < static_cast<ssize_t>(cabinet::kHeaderSize) || std::memcmp(h, "MSCF", 4) != 0) return facts;
  facts.readable = true;
  facts.versionMajor = h[25];
  facts.folders = cabinet::GetU16(h + 26);
  facts.files = cabinet::GetU16(h + 28);
  if ((cabinet::GetU16(h + 30) & cabinet::kFlagReservePresent) && got >= static_cast<ssize_t>(sizeof h)) {
    facts.reserveFolder = h[38];
    facts.reserveData = h[39];
  }
  return facts;
}

// libmspack's error codes onto the reader's table.
int MapError(int err, const ReaderSystem& sys) {
  switch (err) {
    case MSPACK_ERR_OPEN: return sys.outputOpenFailed ? kFdiErrTargetFile : kFdiErrCabinetNotFound;
    case MSPACK_ERR_WRITE: return sys.cancelled ? kFdiErrUserAbort : kFdiErrTargetFile;
    case MSPACK_ERR_NOMEMORY: return kFdiErrAllocFail;
    case MSPACK_ERR_SIGNATURE: return kFdiErrNotACabinet;
    case MSPACK_ERR_DECRUNCH: return kFdiErrMdiFail;
    default: return kFdiErrCorruptCabinet;  // read past the end, bad format, checksum
  }
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// The file name part of a cabinet name from a header (either separator).
std::string BaseName(const std::string& utf8) {
  const auto cut = utf8.find_last_of("\\/");
  return cut == std::string::npos ? utf8 : utf8.substr(cut + 1);
}

}  // namespace

// One opened cabinet set; everything is released with it.
struct TSTCabReader::Context {
  ReaderSystem sys{};
  mscab_decompressor* cabd = nullptr;
  mscabd_cabinet* first = nullptr;   // owns the whole set once merged
  mscabd_cabinet* last = nullptr;
  bool empty = false;                // a cabinet without files or folders
  bool missingNext = false;          // the set names a following cabinet that is not there
  TSTCabErrorRecord* error;
  std::deque<std::string> paths;     // libmspack keeps the name pointers it was given

  explicit Context(TSTCabErrorRecord* record) : error(record) {
    sys.base.open = SysOpen;
    sys.base.close = SysClose;
    sys.base.read = SysRead;
    sys.base.write = SysWrite;
    sys.base.seek = SysSeek;
    sys.base.tell = SysTell;
    sys.base.message = SysMessage;
    sys.base.alloc = SysAlloc;
    sys.base.free = SysFree;
    sys.base.copy = SysCopy;
    sys.base.null_ptr = nullptr;
    cabd = mspack_create_cab_decompressor(&sys.base);
    if (!cabd) Fail(kFdiErrAllocFail);
    // Damaged data is reported, never passed over.
    cabd->set_param(cabd, MSCABD_PARAM_SALVAGE, 0);
    cabd->set_param(cabd, MSCABD_PARAM_FIXMSZIP, 0);
  }

  ~Context() {
    if (first) cabd->close(cabd, first);
    if (cabd) mspack_destroy_cab_decompressor(cabd);
  }

  [[noreturn]] void Fail(int code, int systemError = 0) {
    *error = TSTCabErrorRecord{code, systemError, true};
    throw ESTCabinet(*error, false);
  }

  mscabd_cabinet* OpenOne(const std::string& path, bool following) {
    sys.lastError = 0;
    sys.outputOpenFailed = false;
    const HeaderFacts facts = PeekHeader(path);
    if (!following && facts.readable && facts.files == 0 && facts.folders == 0) {
      empty = true;
      return nullptr;
    }
    paths.push_back(path);
    mscabd_cabinet* cab = cabd->open(cabd, paths.back().c_str());
    if (!cab) {
      const int err = cabd->last_error(cabd);
      if (following && err != MSPACK_ERR_OPEN) Fail(kFdiErrWrongCabinet);
      Fail(MapError(err, sys), err == MSPACK_ERR_OPEN || err == MSPACK_ERR_READ ? sys.lastError : 0);
    }
    return cab;
  }

  void OpenSet(const std::string& path, TSTCabReader& reader) {
    {
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) Fail(kFdiErrCabinetNotFound, errno);
    }
    first = OpenOne(path, false);
    if (!first) return;
    last = first;
    const HeaderFacts firstFacts = PeekHeader(path);
    std::set<std::string> visited{fs::weakly_canonical(path).string()};
    const std::string folder = FolderOf(path);
    while ((last->flags & MSCAB_HDR_NEXTCAB) && last->nextname) {
      const std::string nextName = BaseName(DecodeCabinetName(last->nextname, false));
      const std::string nextDisk = last->nextinfo ? DecodeCabinetName(last->nextinfo, false) : "";
      if (reader.OnCabinetInfo) reader.OnCabinetInfo(last->filename, nextName, nextDisk);
      std::optional<std::string> next = FindEntryNoCase(folder, nextName);
      if (!next && reader.OnNextCabinet) {
        if (auto other = reader.OnNextCabinet(nextName)) next = FindEntryNoCase(WithSeparator(*other), nextName);
      }
      if (!next) {
        missingNext = true;
        break;
      }
      if (!visited.insert(fs::weakly_canonical(*next).string()).second ||
          static_cast<int>(visited.size()) > kMaxCabinetsInSet)
        Fail(kFdiErrWrongCabinet);
      const HeaderFacts facts = PeekHeader(*next);
      if (facts.readable &&
          (facts.reserveFolder != firstFacts.reserveFolder || facts.reserveData != firstFacts.reserveData))
        Fail(kFdiErrReserveMismatch);
      mscabd_cabinet* cab = OpenOne(*next, true);
      if (cabd->append(cabd, last, cab) != MSPACK_ERR_OK) {
        cabd->close(cabd, cab);
        Fail(kFdiErrWrongCabinet);
      }
      last = cab;
    }
  }
};

namespace {

TSTCabFileInfo Describe(const mscabd_file* f) {
  TSTCabFileInfo info;
  info.storedName = f->filename ? f->filename : "";
  info.name = DecodeCabinetName(info.storedName, (f->attribs & kCabNameIsUtf) != 0);
  info.size = f->length;
  info.year = f->date_y;
  info.month = f->date_m;
  info.day = f->date_d;
  info.hour = f->time_h;
  info.minute = f->time_m;
  info.second = f->time_s;
  info.attribs = static_cast<unsigned>(f->attribs);
  info.compression = f->folder ? f->folder->comp_type : 0;
  return info;
}

void RestoreDate(const std::string& path, const TSTCabFileInfo& info) {
  std::tm tm{};
  tm.tm_year = info.year - 1900;
  tm.tm_mon = info.month - 1;
  tm.tm_mday = info.day;
  tm.tm_hour = info.hour;
  tm.tm_min = info.minute;
  tm.tm_sec = info.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = t;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

TSTCabReader::TSTCabReader() = default;
TSTCabReader::~TSTCabReader() = default;

std::vector<TSTCabFileInfo> TSTCabReader::List(const std::string& cabinet) {
  error_ = {};
  Context ctx(&error_);
  ctx.OpenSet(fs::absolute(cabinet).string(), *this);
  std::vector<TSTCabFileInfo> files;
  if (ctx.first)
    for (const mscabd_file* f = ctx.first->files; f; f = f->next) files.push_back(Describe(f));
  return files;
}

void TSTCabReader::ExtractAll(const std::string& cabinet, const std::string& destinationFolder) {
  error_ = {};
  const std::string destination = WithSeparator(fs::absolute(destinationFolder).string());
  Context ctx(&error_);
  ctx.OpenSet(fs::absolute(cabinet).string(), *this);

  struct Item {
    mscabd_file* file;
    TSTCabFileInfo info;
    std::string path;
  };
  std::vector<Item> items;
  if (ctx.first) {
    for (mscabd_file* f = ctx.first->files; f; f = f->next) {
      Item item{f, Describe(f), {}};
      const auto parts = SafeNameParts(item.info.name);
      if (!parts) ctx.Fail(kFdiErrCorruptCabinet);  // before anything is written
      item.path = destination;
      for (std::size_t i = 0; i < parts->size(); ++i) {
        if (i) item.path += '/';
        item.path += (*parts)[i];
      }
      ctx.sys.total += f->length;
      items.push_back(std::move(item));
    }
  }
  std::error_code ec;
  fs::create_directories(destination, ec);
  if (ec) ctx.Fail(kFdiErrTargetFile, ec.value());

  const mscabd_folder* firstFolder = ctx.first ? ctx.first->folders : nullptr;
  const mscabd_folder* lastFolder = firstFolder;
  while (lastFolder && lastFolder->next) lastFolder = lastFolder->next;
  const bool continuedFromMissing = ctx.first && (ctx.first->flags & MSCAB_HDR_PREVCAB);

  ctx.sys.progress = &OnProgress;
  std::optional<TSTCabErrorRecord> firstError;
  // Folders whose remaining files cannot be reached, with the reason.
  std::map<const mscabd_folder*, TSTCabErrorRecord> brokenFolders;
  auto note = [&](int code, int systemError) {
    if (!firstError) firstError = TSTCabErrorRecord{code, systemError, true};
  };
  // Without the cabinet a folder comes from, no file of it can be trusted:
  // MSZIP and LZX data refer back into the missing part.
  if (continuedFromMissing && firstFolder)
    brokenFolders[firstFolder] = TSTCabErrorRecord{kFdiErrCabinetNotFound, ENOENT, true};

  for (Item& item : items) {
    mscabd_file* f = item.file;
    if (f->folder && (f->folder->comp_type & 0x0F) > MSCAB_COMP_LZX) {
      note(kFdiErrBadCompressionType, 0);
      continue;
    }
    if (const auto broken = brokenFolders.find(f->folder); broken != brokenFolders.end()) {
      note(broken->second.erfOper, broken->second.erfType);
      continue;
    }
    std::string path = item.path;
    if (OnCopyFile) OnCopyFile(item.info, path);
    if (path.empty()) continue;
    const fs::path target(path);
    fs::create_directories(target.parent_path(), ec);
    if (ec) {
      note(kFdiErrTargetFile, ec.value());
      continue;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
      if (Options & croDontOverwriteReadOnlyFiles) continue;
      ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }
    ctx.sys.lastError = 0;
    ctx.sys.outputOpenFailed = false;
    const int err = ctx.cabd->extract(ctx.cabd, f, path.c_str());
    if (err != MSPACK_ERR_OK) {
      if (!ctx.sys.outputOpenFailed) ::unlink(path.c_str());
      if (ctx.sys.cancelled) ctx.Fail(kFdiErrUserAbort);
      const bool targetSide = ctx.sys.outputOpenFailed || err == MSPACK_ERR_WRITE;
      TSTCabErrorRecord record{MapError(err, ctx.sys), ctx.sys.lastError, true};
      if (!targetSide && ctx.missingNext && f->folder == lastFolder)
        record = TSTCabErrorRecord{kFdiErrCabinetNotFound, ENOENT, true};  // the set is incomplete
      if (!targetSide) brokenFolders[f->folder] = record;
      note(record.erfOper, record.erfType);
      continue;
    }
    RestoreDate(path, item.info);
    if (item.info.attribs & cabinet::kAttribReadOnly) {
      if (::stat(path.c_str(), &st) == 0) ::chmod(path.c_str(), (st.st_mode & 07777) & ~mode_t(0222));
    }
    if (OnCloseFile) OnCloseFile(item.info, path);
    if ((Options & croExecuteOnExtract) && (item.info.attribs & cabinet::kAttribExecute) && Shell)
      Shell->OpenDocument(path);
  }
  if (firstError) ctx.Fail(firstError->erfOper, firstError->erfType);
}

}  // namespace rpt
