// The packed-file container for sending a report through the Internet site:
// "kwatrel", the file count and each file's name, size and bytes as
// zero-padded decimal fields, compressed as one gzip member named "Temp.tmp".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/errors.h"

namespace rpt {

// The compressor's message for a zlib result code ("" for codes without one).
std::string_view ZCompressionMessage(int code);

class EZCompressionError : public ECoreError {
 public:
  explicit EZCompressionError(int code) : ECoreError(ZCompressionMessage(code)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// The uncompressed container of the files, in the order given (names
// without folder, as Windows-1251). Raises EFileError for a source that
// cannot be read.
void WriteContainer(const std::vector<std::string>& files, const std::string& containerPath);

// *pack files*: builds the container in a private temporary file and writes
// it gzip-compressed to `destination`. The destination is replaced only once
// the container is complete, so a source may be the destination itself. The
// temporary file is always removed.
void PackFiles(const std::vector<std::string>& files, const std::string& destination);

}  // namespace rpt
