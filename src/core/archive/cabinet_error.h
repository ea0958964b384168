// The cabinet components' exception and their two message tables (writer and
// reader codes). Texts are ASCII and therefore already Windows-1251.
#pragma once

#include <string>
#include <string_view>

#include "core/foundation/errors.h"

namespace rpt {

// What went wrong in a writer or reader operation.
struct TSTCabErrorRecord {
  int erfOper = 0;      // operation code: the writer's or the reader's table
  int erfType = 0;      // system error code (errno), 0 when none
  bool fError = false;  // false: no detail known
};

// Writer codes.
inline constexpr int kFciErrNone = 0;
inline constexpr int kFciErrOpenSrc = 1;
inline constexpr int kFciErrReadSrc = 2;
inline constexpr int kFciErrAllocFail = 3;
inline constexpr int kFciErrTempFile = 4;
inline constexpr int kFciErrBadComprType = 5;
inline constexpr int kFciErrCabFile = 6;
inline constexpr int kFciErrUserAbort = 7;
inline constexpr int kFciErrMciFail = 8;
inline constexpr int kFciErrFormatLimit = 9;  // beyond what the format can hold

// Reader codes.
inline constexpr int kFdiErrNone = 0;
inline constexpr int kFdiErrCabinetNotFound = 1;
inline constexpr int kFdiErrNotACabinet = 2;
inline constexpr int kFdiErrUnknownCabinetVersion = 3;
inline constexpr int kFdiErrCorruptCabinet = 4;
inline constexpr int kFdiErrAllocFail = 5;
inline constexpr int kFdiErrBadCompressionType = 6;
inline constexpr int kFdiErrMdiFail = 7;
inline constexpr int kFdiErrTargetFile = 8;
inline constexpr int kFdiErrReserveMismatch = 9;
inline constexpr int kFdiErrWrongCabinet = 10;
inline constexpr int kFdiErrUserAbort = 11;

std::string_view FciErrorText(int code);
std::string_view FdiErrorText(int code);

// The message of an error record, as the components raise it.
std::string CabinetErrorMessage(const TSTCabErrorRecord& record, bool fromWriter);

class ESTCabinet : public ECoreError {
 public:
  ESTCabinet(const TSTCabErrorRecord& record, bool fromWriter)
      : ECoreError(CabinetErrorMessage(record, fromWriter)), record_(record), fromWriter_(fromWriter) {}

  const TSTCabErrorRecord& ErrorRecord() const { return record_; }
  bool FromWriter() const { return fromWriter_; }
  int Code() const { return record_.erfOper; }

 private:
  TSTCabErrorRecord record_;
  bool fromWriter_;
};

// Raise helpers.
[[noreturn]] void RaiseWriterError(int code, int systemError = 0);
[[noreturn]] void RaiseReaderError(int code, int systemError = 0);

}  // namespace rpt
