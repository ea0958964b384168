#include "core/archive/packed_container.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"

namespace fs = std::filesystem;

namespace rpt {

namespace {

constexpr std::size_t kPiece = 32768;

[[noreturn]] void RaiseFileError(const char* what, const std::string& path, int err) {
  throw EFileError(std::string(what) + " \"" + Utf8ToCp1251(path) + "\". " + std::strerror(err));
}

// A descriptor closed on every path out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

void WriteAll(int fd, const void* data, std::size_t size, const std::string& path) {
  if (const int err = WriteAllTo(fd, data, size)) RaiseFileError("Cannot write file", path, err);
}

std::size_t ReadSome(int fd, void* buffer, std::size_t size, const std::string& path) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) RaiseFileError("Cannot read file", path, errno);
  }
}

std::string Padded(std::uint64_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*" PRIu64, digits, value);
  return buffer;
}

void Check(int result) {
  if (result < 0) throw EZCompressionError(result);
}

// The file's modification time as its local date and time (2-second
// resolution) counted as seconds since 1970-01-01 00:00.
std::uint32_t LocalMTime(std::time_t t) {
  if (t == 0) return 0;
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_sec &= ~1;
  const std::time_t local = timegm(&tm);
  return local <= 0 ? 0 : static_cast<std::uint32_t>(local);
}

void PutU32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

std::string_view ZCompressionMessage(int code) {
  switch (code) {
    case 2: return "Need dictionary";
    case 1: return "Stream end";
    case -1: return "File error";
    case -2: return "Stream error";
    case -3: return "Data error";
    case -4: return "Insufficient memory";
    case -5: return "Buffer error";
    case -6: return "Incompatible version";
    default: return "";
  }
}

void WriteContainer(const std::vector<std::string>& files, const std::string& containerPath) {
  Fd out{::open(containerPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)};
  if (out.fd < 0) RaiseFileError("Cannot create file", containerPath, errno);
  std::string head = "kwatrel" + Padded(files.size(), 4);
  WriteAll(out.fd, head.data(), head.size(), containerPath);
  std::vector<char> buffer(1 << 16);
  for (const auto& path : files) {
    Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) RaiseFileError("Cannot open file", path, errno);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) RaiseFileError("Cannot open file", path, errno);
    const std::string name = Utf8ToCp1251(fs::path(path).filename().string());
    const auto size = static_cast<std::uint64_t>(st.st_size);
    head = Padded(name.size(), 4) + name + Padded(size, 20);
    WriteAll(out.fd, head.data(), head.size(), containerPath);
    // Exactly the announced size goes in, even if the file changes meanwhile.
    std::uint64_t left = size;
    while (left > 0) {
      const std::size_t n = ReadSome(in.fd, buffer.data(), std::min<std::uint64_t>(left, buffer.size()), path);
      if (n == 0) RaiseFileError("Cannot read file", path, EIO);
      WriteAll(out.fd, buffer.data(), n, containerPath);
      left -= n;
    }
  }
  if (::close(out.fd) != 0) {
    out.fd = -1;
    RaiseFileError("Cannot write file", containerPath, errno);
  }
  out.fd = -1;
}

void PackFiles(const std::vector<std::string>& files, const std::string& destination) {
  PrivateTempFolder temp("rpt-container", "Cannot create file");  // removed on every way out
  const std::string container = temp.path() + "Temp.tmp";
  WriteContainer(files, container);

  struct stat st {};
  if (::stat(container.c_str(), &st) != 0) RaiseFileError("Cannot open file", container, errno);
  Fd in{::open(container.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) RaiseFileError("Cannot open file", container, errno);

  // The destination is replaced in one step once the member is complete.
  std::string partial = destination + ".XXXXXX";
  Fd out{::mkostemp(partial.data(), O_CLOEXEC)};
  if (out.fd < 0) RaiseFileError("Cannot create file", destination, errno);
  struct Remover {
    std::string path;
    bool keep = false;
    ~Remover() {
      if (!keep) ::unlink(path.c_str());
    }
  } remover{partial};
  ::fchmod(out.fd, 0644);

  unsigned char header[10] = {0x1F, 0x8B, 0x08, 0x08, 0, 0, 0, 0, 0x00, 0x00};
  PutU32(header + 4, LocalMTime(st.st_mtime));
  WriteAll(out.fd, header, sizeof header, destination);
  WriteAll(out.fd, "Temp.tmp", 9, destination);  // with its terminating zero

  std::vector<unsigned char> input(kPiece);
  uLong crc = crc32(0L, Z_NULL, 0);
  std::uint64_t length = 0;
  for (;;) {
    const std::size_t n = ReadSome(in.fd, input.data(), input.size(), container);
    if (n == 0) break;
    crc = crc32(crc, input.data(), static_cast<uInt>(n));
    length += n;
  }
  if (::lseek(in.fd, 0, SEEK_SET) != 0) RaiseFileError("Cannot read file", container, errno);

  z_stream zs{};
  Check(deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY));
  struct Ender {
    z_stream* zs;
    ~Ender() { deflateEnd(zs); }
  } ender{&zs};
  std::vector<unsigned char> output(kPiece * 2);
  auto drain = [&](int flush) {
    int result;
    do {
      zs.next_out = output.data();
      zs.avail_out = static_cast<uInt>(output.size());
      result = deflate(&zs, flush);
      if (result == Z_BUF_ERROR) break;  // nothing left to do for now, not a failure
      Check(result);
      WriteAll(out.fd, output.data(), output.size() - zs.avail_out, destination);
    } while (zs.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  };
  for (;;) {
    const std::size_t n = ReadSome(in.fd, input.data(), input.size(), container);
    if (n == 0) break;
    zs.next_in = input.data();
    zs.avail_in = static_cast<uInt>(n);
    drain(Z_NO_FLUSH);
  }
  zs.next_in = nullptr;
  zs.avail_in = 0;
  drain(Z_FINISH);

  unsigned char trailer[8];
  PutU32(trailer, static_cast<std::uint32_t>(crc));
  PutU32(trailer + 4, static_cast<std::uint32_t>(length & 0xFFFFFFFFu));
  WriteAll(out.fd, trailer, sizeof trailer, destination);
  if (::close(out.fd) != 0) {
    out.fd = -1;
    RaiseFileError("Cannot write file", destination, errno);
  }
  out.fd = -1;
  if (::rename(partial.c_str(), destination.c_str()) != 0) RaiseFileError("Cannot create file", destination, errno);
  remover.keep = true;
}

}  // namespace rpt
