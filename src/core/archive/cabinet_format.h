// Layout constants and the checksum of the cabinet format, shared by the
// writer and the reader's own header checks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rpt::cabinet {

inline constexpr std::size_t kHeaderSize = 36;       // CFHEADER without reserve and names
inline constexpr std::size_t kFolderSize = 8;        // CFFOLDER without reserve
inline constexpr std::size_t kFileSize = 16;         // CFFILE without the name
inline constexpr std::size_t kDataHeaderSize = 8;    // CFDATA without reserve
inline constexpr std::size_t kBlockSize = 32768;     // uncompressed bytes per data block
inline constexpr std::uint32_t kMaxBlocksPerFolder = 65535;
inline constexpr std::uint64_t kMaxFolderBytes = std::uint64_t(kMaxBlocksPerFolder) * kBlockSize;
inline constexpr std::size_t kMaxNameBytes = 255;

inline constexpr std::uint16_t kFlagPrevCabinet = 0x0001;
inline constexpr std::uint16_t kFlagNextCabinet = 0x0002;
inline constexpr std::uint16_t kFlagReservePresent = 0x0004;

inline constexpr std::uint16_t kCompressNone = 0;
inline constexpr std::uint16_t kCompressMsZip = 1;

inline constexpr std::uint16_t kAttribReadOnly = 0x01;
inline constexpr std::uint16_t kAttribExecute = 0x40;

// The cabinet checksum of a data block: XOR of little-endian 32-bit words,
// the trailing 1-3 bytes folded in most significant byte first.
inline std::uint32_t Checksum(const unsigned char* data, std::size_t bytes, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t words = bytes / 4;
  while (words--) {
    sum ^= std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) | (std::uint32_t(data[2]) << 16) |
           (std::uint32_t(data[3]) << 24);
    data += 4;
  }
  std::uint32_t tail = 0;
  switch (bytes & 3) {
    case 3: tail |= std::uint32_t(*data++) << 16; [[fallthrough]];
    case 2: tail |= std::uint32_t(*data++) << 8; [[fallthrough]];
    case 1: tail |= *data; break;
    default: break;
  }
  return sum ^ tail;
}

inline void PutU16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutU32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline std::uint16_t GetU16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t GetU32(const unsigned char* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

}  // namespace rpt::cabinet
