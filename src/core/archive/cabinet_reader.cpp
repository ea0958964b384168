#include "core/archive/cabinet_reader.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"
#include "core/archive/cabinet_format.h"
#include "core/archive/cabinet_names.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

// A cabinet set longer than this is taken for a loop of next-cabinet names.
constexpr int kMaxCabinetsInSet = 1024;

// The file callbacks given to libmspack: plain descriptors, the last system
// error kept for the message, output counted for progress and cancelling.
// Writes the extracted files on a thread of its own, in the order asked, so
// that decompressing and the file system's work overlap. Failures are kept
// per file and read after Drain(); a file that failed is removed.
class FileSink {
 public:
  FileSink(std::size_t files, std::string destination,
           const std::function<void(const std::string&)>& written)
      : destination_(std::move(destination)), written_(written), errors_(files, 0), fds_(files, -1),
        opened_(files, false), paths_(files), thread_([this] { Run(); }) {}
  ~FileSink() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    for (std::size_t i = 0; i < fds_.size(); ++i)
      if (fds_[i] >= 0) ::close(fds_[i]);
  }

  void Open(std::size_t id, const std::string& path) { Push(Op{Op::kOpen, id, path, {}, {}}); }
  void Write(std::size_t id, const char* data, std::size_t size) {
    Push(Op{Op::kWrite, id, {}, std::vector<char>(data, data + size), {}});
  }
  void Close(std::size_t id) { Push(Op{Op::kClose, id, {}, {}, {}}); }
  void Discard(std::size_t id) { Push(Op{Op::kDiscard, id, {}, {}, {}}); }
  void Finish(std::size_t id, const TSTCabFileInfo& info) { Push(Op{Op::kFinish, id, {}, {}, info}); }

  void Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
  }
  // The system error met writing the file; valid after Drain().
  int Error(std::size_t id) const { return errors_[id]; }

 private:
  struct Op {
    enum Kind { kOpen, kWrite, kClose, kDiscard, kFinish } kind;
    std::size_t id;
    std::string path;
    std::vector<char> data;
    TSTCabFileInfo info;
  };
  static constexpr std::size_t kMaxQueued = 16u << 20;

  void Push(Op op) {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return queuedBytes_ < kMaxQueued; });
    queuedBytes_ += op.data.size();
    queue_.push_back(std::move(op));
    lock.unlock();
    wake_.notify_one();
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping
      Op op = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
      lock.unlock();
      Execute(op);
      lock.lock();
      busy_ = false;
      queuedBytes_ -= op.data.size();
      room_.notify_all();
      if (queue_.empty()) idle_.notify_all();
    }
  }

  void Execute(const Op& op);

  std::string destination_;  // ends with "/"
  const std::function<void(const std::string&)>& written_;
  std::vector<int> errors_;
  std::vector<int> fds_;
  std::vector<bool> opened_;
  std::vector<std::string> paths_;
  std::mutex mutex_;
  std::condition_variable wake_, room_, idle_;
  std::deque<Op> queue_;
  std::size_t queuedBytes_ = 0;
  bool busy_ = false;
  bool stop_ = false;
  std::thread thread_;
};

void RestoreDate(const std::string& path, const TSTCabFileInfo& info);

// Creates the folders between `root` (which exists) and the file `path`
// below it, one at a time and without following a link: a link where a
// folder should be is replaced by the folder. 0 or the system's error.
int MakeFoldersNoFollow(const std::string& root, const std::string& path) {
  std::size_t at = root.size();
  for (;;) {
    const std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) return 0;
    const std::string folder = path.substr(0, slash);
    at = slash + 1;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) continue;
      if (!S_ISLNK(st.st_mode)) return ENOTDIR;
      if (::unlink(folder.c_str()) != 0) return errno;
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return errno;
  }
}

void FileSink::Execute(const Op& op) {
  const std::size_t id = op.id;
  int& error = errors_[id];
  int& fd = fds_[id];
  switch (op.kind) {
    case Op::kOpen: {
      paths_[id] = op.path;
      if (const int err = MakeFoldersNoFollow(destination_, op.path)) {
        error = err;
        return;
      }
      // A link already in the destination is replaced, never followed: the
      // file it names may lie anywhere. An existing read-only file is
      // replaced all the same.
      struct stat st {};
      if (::lstat(op.path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
          ::unlink(op.path.c_str());
        else if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
          ::chmod(op.path.c_str(), (st.st_mode & 07777) | S_IWUSR);
      }
      fd = ::open(op.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0) {
        error = errno;
        return;
      }
      opened_[id] = true;
      return;
    }
    case Op::kWrite: {
      if (fd < 0 || error) return;
      error = WriteAllTo(fd, op.data.data(), op.data.size());
      return;
    }
    case Op::kClose:
    case Op::kDiscard:
      if (fd >= 0) {
        if (::close(fd) != 0 && !error) error = errno;
        fd = -1;
      }
      if (opened_[id] && (error || op.kind == Op::kDiscard)) {
        ::unlink(paths_[id].c_str());
        opened_[id] = false;
      }
      return;
    case Op::kFinish:
      if (error || !opened_[id]) return;
      RestoreDate(paths_[id], op.info);
      if (op.info.attribs & cabinet::kAttribReadOnly) {
        struct stat st {};
        if (::lstat(paths_[id].c_str(), &st) == 0 && S_ISREG(st.st_mode))
          ::chmod(paths_[id].c_str(), (st.st_mode & 07777) & ~mode_t(0222));
      }
      if (written_) {
        try {
          written_(paths_[id]);
        } catch (...) {
          // Only news for a watcher; the file is there all the same.
        }
      }
      return;
  }
}

struct ReaderSystem {
  mspack_system base;
  int lastError = 0;
  bool cancelled = false;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  const std::function<bool(std::uint64_t, std::uint64_t)>* progress = nullptr;
  FileSink* sink = nullptr;    // where extracted files go
  std::size_t currentFile = 0;  // the file being extracted
};

struct ReaderFile {
  int fd;
  ReaderSystem* sys;
  bool output;
  std::size_t id;
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
  if (output) {
    if (!sys->sink) {
      sys->lastError = EINVAL;
      return nullptr;
    }
    sys->sink->Open(sys->currentFile, filename);
    return reinterpret_cast<mspack_file*>(new ReaderFile{-1, sys, true, sys->currentFile});
  }
  const int fd = ::open(filename, flags, 0666);
  if (fd < 0) {
    sys->lastError = errno;
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(new ReaderFile{fd, sys, false, 0});
}

void SysClose(mspack_file* file) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f) return;
  if (f->output)
    f->sys->sink->Close(f->id);
  else
    ::close(f->fd);
  delete f;
}

int SysRead(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f || f->output || bytes < 0) return -1;
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
  if (!f->output) return -1;  // cabinets are only read
  sys->sink->Write(f->id, static_cast<const char*>(buffer), static_cast<std::size_t>(bytes));
  return bytes;
}

int SysSeek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<ReaderFile*>(file);
  if (!f || f->output) return -1;
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
  return f && !f->output ? ::lseek(f->fd, 0, SEEK_CUR) : -1;
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
    case MSPACK_ERR_OPEN: return kFdiErrCabinetNotFound;
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
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace

namespace {

// Entries whose data ranges overlap within a folder make a small cabinet
// unpack into any amount of data, and two names that lead to one file
// (after decoding, letter case ignored as every lookup does) would let one
// silently replace the other. Either is refused as a corrupt cabinet before
// anything is written.
template <typename Context, typename Items>
void RefuseOverlapsAndCollisions(Context& ctx, const Items& items) {
  std::map<const mscabd_folder*, std::vector<std::pair<std::uint64_t, std::uint64_t>>> ranges;
  std::set<std::string> names;
  for (const auto& item : items) {
    if (item.file->length > 0)
      ranges[item.file->folder].emplace_back(item.file->offset,
                                             std::uint64_t(item.file->offset) + item.file->length);
    std::string key = item.path;
    if (FitsCp1251(key)) key = FoldCase(Utf8ToCp1251(key));
    if (!names.insert(std::move(key)).second) ctx.Fail(kFdiErrCorruptCabinet);
  }
  for (auto& [folder, spans] : ranges) {
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i)
      if (spans[i].first < spans[i - 1].second) ctx.Fail(kFdiErrCorruptCabinet);
  }
}

}  // namespace

void RefuseBeyondFreeSpace(const std::string& destination, std::uint64_t declaredBytes) {
  struct statvfs fsStat {};
  if (::statvfs(destination.c_str(), &fsStat) != 0) return;  // nothing known to compare with
  const std::uint64_t free = std::uint64_t(fsStat.f_bavail) * fsStat.f_frsize;
  if (declaredBytes <= free) return;
  throw EFileError(std::string("Для распаковки архива нужно "_w) + std::to_string(declaredBytes) +
                   std::string(" байт, а в папке \""_w) + Utf8ToCp1251(destination) +
                   std::string("\" свободно только "_w) + std::to_string(free) + std::string(" байт."_w));
}

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
  RefuseOverlapsAndCollisions(ctx, items);
  std::error_code ec;
  fs::create_directories(destination, ec);
  if (ec) ctx.Fail(kFdiErrTargetFile, ec.value());
  RefuseBeyondFreeSpace(destination, ctx.sys.total);

  const mscabd_folder* firstFolder = ctx.first ? ctx.first->folders : nullptr;
  const mscabd_folder* lastFolder = firstFolder;
  while (lastFolder && lastFolder->next) lastFolder = lastFolder->next;
  const bool continuedFromMissing = ctx.first && (ctx.first->flags & MSCAB_HDR_PREVCAB);

  ctx.sys.progress = &OnProgress;
  // Folders whose remaining files cannot be reached, with the reason.
  std::map<const mscabd_folder*, TSTCabErrorRecord> brokenFolders;
  // Without the cabinet a folder comes from, no file of it can be trusted:
  // MSZIP and LZX data refer back into the missing part.
  if (continuedFromMissing && firstFolder)
    brokenFolders[firstFolder] = TSTCabErrorRecord{kFdiErrCabinetNotFound, ENOENT, true};

  // Per file: the failure met while reading it, and whether it went to the sink.
  std::vector<std::optional<TSTCabErrorRecord>> failures(items.size());
  std::vector<bool> written(items.size(), false);
  FileSink sink(items.size(), destination, OnFileWritten);
  ctx.sys.sink = &sink;
  for (std::size_t i = 0; i < items.size(); ++i) {
    Item& item = items[i];
    mscabd_file* f = item.file;
    if (f->folder && (f->folder->comp_type & 0x0F) > MSCAB_COMP_LZX) {
      failures[i] = TSTCabErrorRecord{kFdiErrBadCompressionType, 0, true};
      continue;
    }
    if (const auto broken = brokenFolders.find(f->folder); broken != brokenFolders.end()) {
      failures[i] = broken->second;
      continue;
    }
    if (OnCopyFile) OnCopyFile(item.info, item.path);
    if (item.path.empty()) continue;
    if (Options & croDontOverwriteReadOnlyFiles) {
      sink.Drain();  // an earlier file of the cabinet may be this one
      struct stat st {};
      if (::stat(item.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) continue;
    }
    ctx.sys.lastError = 0;
    ctx.sys.currentFile = i;
    const int err = ctx.cabd->extract(ctx.cabd, f, item.path.c_str());
    if (err != MSPACK_ERR_OK) {
      sink.Discard(i);
      if (ctx.sys.cancelled) {
        sink.Drain();
        ctx.Fail(kFdiErrUserAbort);
      }
      TSTCabErrorRecord record{MapError(err, ctx.sys), ctx.sys.lastError, true};
      if (ctx.missingNext && f->folder == lastFolder)
        record = TSTCabErrorRecord{kFdiErrCabinetNotFound, ENOENT, true};  // the set is incomplete
      brokenFolders[f->folder] = record;
      failures[i] = record;
      continue;
    }
    sink.Finish(i, item.info);
    written[i] = true;
  }
  sink.Drain();

  std::optional<TSTCabErrorRecord> firstError;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!failures[i] && written[i] && sink.Error(i))
      failures[i] = TSTCabErrorRecord{kFdiErrTargetFile, sink.Error(i), true};
    if (failures[i]) {
      if (!firstError) firstError = failures[i];
      continue;
    }
    if (!written[i]) continue;
    if (OnCloseFile) OnCloseFile(items[i].info, items[i].path);
    if ((Options & croExecuteOnExtract) && (items[i].info.attribs & cabinet::kAttribExecute) && Shell)
      Shell->OpenDocument(items[i].path);
  }
  if (firstError) ctx.Fail(firstError->erfOper, firstError->erfType);
}

}  // namespace rpt
