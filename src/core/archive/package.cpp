#include "core/archive/package.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/archive/cabinet_error.h"
#include "core/archive/cabinet_writer.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kPackFailed =
    "При сохранении данных возникла ошибка. Причиной может быть блокировка какого-либо документа "
    "отчета другим приложением, например, MS Word. Постарайтесь устранить причину ошибки и повторите "
    "операцию сохранения."_w;

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path, int err) {
  throw EFileError(what + " \"" + Utf8ToCp1251(path) + "\". " + std::strerror(err), err);
}

// The system's error behind a failed pack, 0 when there is none.
int SystemErrorOf(const std::exception& e) {
  if (const auto* cab = dynamic_cast<const ESTCabinet*>(&e)) return cab->ErrorRecord().erfType;
  if (const auto* file = dynamic_cast<const EFileError*>(&e)) return file->SystemError();
  if (const auto* fsError = dynamic_cast<const fs::filesystem_error*>(&e)) return fsError->code().value();
  return 0;
}

// What to tell the user when a pack failed: the cause the system gave
// (no right to write, no room, too many files), with its own words.
std::string PackFailureMessage(const std::exception& e, const std::string& destination) {
  const int err = SystemErrorOf(e);
  const auto* cab = dynamic_cast<const ESTCabinet*>(&e);
  std::string cause;
  switch (err) {
    case EACCES: case EPERM: case EROFS:
      cause = std::string("нет права записи в папку \""_w) +
              Utf8ToCp1251(fs::path(destination).parent_path().string()) + "\"";
      break;
    case ENOSPC: case EDQUOT:
      cause = "на диске недостаточно места"_w;
      break;
    case EMFILE: case ENFILE:
      cause = "открыто слишком много файлов"_w;
      break;
    case EFBIG:
      cause = "отчет слишком велик для одного архива"_w;
      break;
    case 0: case EBUSY: case ETXTBSY: case EAGAIN:
      if (cab && cab->Code() == kFciErrFormatLimit) {
        cause = "в отчете слишком много файлов для одного архива"_w;
        break;
      }
      return std::string(kPackFailed);  // nothing better known: the usual suspect
    default:
      cause = Utf8ToCp1251(std::strerror(err));
      return std::string("При сохранении данных возникла ошибка: "_w) + cause +
             std::string(".\r\nПостарайтесь устранить причину ошибки и повторите операцию сохранения."_w);
  }
  std::string message = std::string("При сохранении данных возникла ошибка: "_w) + cause;
  if (err) message += " (" + Utf8ToCp1251(std::strerror(err)) + ")";
  return message + std::string(".\r\nПостарайтесь устранить причину ошибки и повторите операцию сохранения."_w);
}

// Runs `use` on a copy of the package with its first two bytes exchanged back.
template <typename Fn>
auto WithPlainCopy(const std::string& package, Fn use) {
  PrivateTempFolder folder("rpt-package", "Cannot create folder");
  const std::string copy = folder.path() + fs::path(package).filename().string() + "_";
  std::error_code ec;
  if (!fs::exists(package, ec)) RaiseReaderError(kFdiErrCabinetNotFound, ENOENT);
  // A throwaway copy: written with the bytes already exchanged and never
  // flushed to disk, which would only make every opening wait.
  auto bytes = ReadWholeFile(package);
  if (!bytes) RaiseFileError("Cannot read file", package, errno ? errno : EIO);
  if (bytes->size() >= 2) std::swap((*bytes)[0], (*bytes)[1]);
  {
    const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) RaiseFileError("Cannot create file", copy, errno);
    int err = WriteAllTo(fd, *bytes);
    if (::close(fd) != 0 && !err) err = errno;
    if (err) RaiseFileError("Cannot write file", copy, err);
  }
  return use(copy);
}

}  // namespace

void ExchangeFirstTwoBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) RaiseFileError("Cannot open file", path, errno);
  unsigned char b[2];
  const ssize_t n = ::pread(fd, b, 2, 0);
  int err = n < 0 ? errno : 0;
  if (n == 2) {
    std::swap(b[0], b[1]);
    if (::pwrite(fd, b, 2, 0) != 2) err = errno ? errno : EIO;
  }
  if (::close(fd) != 0 && !err) err = errno;
  if (err) RaiseFileError("Cannot write file", path, err);
}

namespace {

// Flushes a file's or a folder's content to disk.
void SyncPath(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) RaiseFileError("Cannot open file", path, errno);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  // A folder that cannot be synced (some file systems refuse) is no reason
  // to fail a save whose rename has already happened.
  if (rc != 0 && !folder) RaiseFileError("Cannot write file", path, err);
}

// A new empty file `prefix` + six characters that no other file has.
std::string ReserveUniqueName(const std::string& prefix) {
  // The package's folder is made when missing, as the cabinet writer would.
  std::error_code ec;
  const fs::path folder = fs::path(prefix).parent_path();
  if (!folder.empty()) fs::create_directories(folder, ec);
  std::string name = prefix + "XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) RaiseFileError("Cannot create file", prefix, errno);
  ::close(fd);
  return name;
}

}  // namespace

bool PackFolder(Interaction& ui, const std::string& fileMask, const std::string& destination,
                bool exchange, bool includeSubfolders, std::string* cause) {
  // The new package is written beside the old one and renamed over it, so
  // that the destination always holds a complete package, the old or the
  // new one, whenever the process or the machine stops. The backup
  // destination + "$" (a second name of the old package) lasts until the
  // new one is in place.
  const std::string backup = destination + "$";
  // A name of its own for each save: two saves side by side must never
  // write, exchange or rename each other's file.
  std::string partial;
  bool haveBackup = false;
  std::error_code ec;
  try {
    partial = ReserveUniqueName(destination + "~");
    if (fs::exists(fs::symlink_status(destination, ec))) {
      fs::remove(backup, ec);
      if (::link(destination.c_str(), backup.c_str()) != 0) CopyFile(destination, backup);
      haveBackup = true;
    }
    TSTCabWriter writer;
    writer.Open(partial);
    writer.AddFiles(fileMask, "", includeSubfolders);
    writer.Close(true);
    if (exchange) ExchangeFirstTwoBytes(partial);
    SyncPath(partial, false);
    fs::rename(partial, destination, ec);
    if (ec) RaiseFileError("Cannot rename file", partial, ec.value());
    const std::string folder = fs::path(destination).parent_path().string();
    SyncPath(folder.empty() ? "." : folder, true);
  } catch (const std::exception& e) {
    if (!partial.empty()) fs::remove(partial, ec);
    if (haveBackup) fs::remove(backup, ec);
    if (cause) *cause = e.what();
    ui.ShowMessage(MessageKind::Error, PackFailureMessage(e, destination), kOk, kOk);
    return false;
  }
  fs::remove(backup, ec);
  return true;
}

void UnpackPackage(const std::string& package, const std::string& destinationFolder, bool exchanged,
                   const FileWritten& written) {
  TSTCabReader reader;
  reader.OnFileWritten = written;
  if (!exchanged) {
    reader.ExtractAll(package, destinationFolder);
    return;
  }
  WithPlainCopy(package, [&](const std::string& copy) {
    reader.ExtractAll(copy, destinationFolder);
    return 0;
  });
}

void RefreshFolder(const std::string& destinationFolder, const std::string& package,
                   const FileWritten& written) {
  // What cannot be deleted is overwritten by the unpacking or stays; either
  // way the package's files are what the folder then holds.
  if (FolderExists(destinationFolder))
    (void)ClearFolder(destinationFolder, false);
  else
    ForceFolders(destinationFolder);
  std::error_code ec;
  if (fs::exists(package, ec)) UnpackPackage(package, destinationFolder, true, written);
}

std::vector<TSTCabFileInfo> ListPackage(const std::string& package, bool exchanged) {
  TSTCabReader reader;
  if (!exchanged) return reader.List(package);
  return WithPlainCopy(package, [&](const std::string& copy) { return reader.List(copy); });
}

}  // namespace rpt
