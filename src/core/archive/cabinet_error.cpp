#include "core/archive/cabinet_error.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace rpt {

namespace {

constexpr std::array<std::string_view, 9> kFciTexts = {
    "No error",
    "Failure opening file to be stored in cabinet",
    "Failure reading file to be stored in cabinet",
    "Out of memory in FCI",
    "Could not create a temporary file",
    "Unknown compression type",
    "Could not create cabinet file",
    "Client requested abort",
    "Failure compressing data",
};

constexpr std::array<std::string_view, 12> kFdiTexts = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
};

std::string Hex4(int code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(code) & 0xFFFFu);
  return buffer;
}

}  // namespace

std::string_view FciErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(kFciTexts.size())) return kFciTexts[code];
  return "FCI error";
}

std::string_view FdiErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(kFdiTexts.size())) return kFdiTexts[code];
  return "FDI error";
}

std::string CabinetErrorMessage(const TSTCabErrorRecord& record, bool fromWriter) {
  if (!record.fError) return fromWriter ? "FCI error" : "FDI error";
  std::string message(fromWriter ? FciErrorText(record.erfOper) : FdiErrorText(record.erfOper));
  message += " [0x" + Hex4(record.erfOper) + "]";
  if (record.erfType != 0) {
    message += ".\r\n";
    message += std::strerror(record.erfType);
    message += " [0x" + Hex4(record.erfType) + "].";
  }
  return message;
}

void RaiseWriterError(int code, int systemError) {
  throw ESTCabinet(TSTCabErrorRecord{code, systemError, true}, true);
}

void RaiseReaderError(int code, int systemError) {
  throw ESTCabinet(TSTCabErrorRecord{code, systemError, true}, false);
}

}  // namespace rpt
