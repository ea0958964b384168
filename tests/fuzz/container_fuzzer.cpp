// The send container written from arbitrary files. The input describes up
// to eight files (a name and the bytes of each); they are packed, and the
// gzip member is read back with zlib: its header, stored name, CRC and
// length must be right and the container must hold exactly those files in
// that order.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/archive/packed_container.h"
#include "fuzz_work.h"

namespace {

struct Source {
  std::string name;  // UTF-8, as on disk
  std::string bytes;
};

// n = first byte % 9; per file: name length byte, name, two bytes of
// content length, content. Names become safe file names.
std::vector<Source> Decode(std::string_view in) {
  std::vector<Source> files;
  std::size_t p = 0;
  auto take = [&](std::size_t n) {
    const std::string_view s = in.substr(std::min(p, in.size()), n);
    p += n;
    return std::string(s);
  };
  const int count = in.empty() ? 0 : static_cast<unsigned char>(in[p++]) % 9;
  for (int i = 0; i < count && p < in.size(); ++i) {
    const std::size_t nameLength = static_cast<unsigned char>(in[p++]) % 64 + 1;
    std::string name = take(nameLength);
    for (char& c : name)
      if (c == '/' || c == '\0') c = '_';
    // A name the code page cannot hold would not be this system's file.
    name = rpt::Cp1251ToUtf8(name);
    if (name == "." || name == "..") name = "_" + name;
    name = std::to_string(i) + name;  // distinct names, kept in order
    const std::string len = take(2);
    const std::size_t size = len.size() < 2 ? 0 : (static_cast<unsigned char>(len[0]) | static_cast<unsigned char>(len[1]) << 8);
    files.push_back({name, take(size)});
  }
  return files;
}

std::string Gunzip(const std::string& gz, std::string& storedName) {
  z_stream zs{};
  gz_header header{};
  char nameBuffer[64] = {};
  header.name = reinterpret_cast<Bytef*>(nameBuffer);
  header.name_max = sizeof nameBuffer;
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) __builtin_trap();
  inflateGetHeader(&zs, &header);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  zs.avail_in = static_cast<uInt>(gz.size());
  std::string out;
  char buffer[1 << 15];
  int r;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    r = inflate(&zs, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) __builtin_trap();  // CRC and length are checked here
    out.append(buffer, sizeof buffer - zs.avail_out);
  } while (r != Z_STREAM_END);
  if (zs.avail_in != 0) __builtin_trap();  // nothing after the member
  inflateEnd(&zs);
  storedName = nameBuffer;
  return out;
}

std::string Padded(std::size_t v, int digits) {
  char b[32];
  std::snprintf(b, sizeof b, "%0*zu", digits, v);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  const std::string folder = fuzzing::WorkFolder() + "in/";
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder);
  const auto sources = Decode(fuzzing::Bytes(data, size));
  std::vector<std::string> paths;
  std::string expected = "kwatrel" + Padded(sources.size(), 4);
  for (const Source& s : sources) {
    paths.push_back(folder + s.name);
    fuzzing::WriteFile(paths.back(), s.bytes);
    const std::string name = rpt::Utf8ToCp1251(s.name);
    expected += Padded(name.size(), 4) + name + Padded(s.bytes.size(), 20) + s.bytes;
  }
  const std::string destination = fuzzing::WorkFolder() + "R_1.rpt";
  rpt::PackFiles(paths, destination);
  const std::string gz = fuzzing::ReadFile(destination);
  if (gz.size() < 18 || gz.compare(0, 4, "\x1f\x8b\x08\x08", 4) != 0) __builtin_trap();
  std::string storedName;
  if (Gunzip(gz, storedName) != expected || storedName != "Temp.tmp") __builtin_trap();
  return 0;
}
