// Sending a finished report to the receiving organisation: the menu
// "Отправка" of the structure window ("Через Интернет", "На внешнем
// носителе", the hidden "По E-mail") and the menu "Сайт".
//
// Every route starts with the readiness check: the institution's name
// present, all tables recalculated and checked, the two summaries of tables
// with remarks and of empty tables answered, the report saved, and "R.txt"
// written with every table's data lines. The data file "R_" + code + ".rpt"
// is the send archive (a cabinet of the item files in tree order, the
// structure file and "SInfo.Inf", first two bytes exchanged), for the
// Internet packed together with "R.txt" into the gzip container. The code
// comes from the institutions list by the name the report gives.
//
// A data file appears under its own name only once it is complete (it is
// built in a private folder or beside its target and renamed into place),
// and every send shows the file's size and SHA-256 and writes the checksum
// beside it as name + ".sha256" in the format of sha256sum.
//
// Paths are UTF-8 (folders end with "/"); texts are Windows-1251.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc/check_status.h"
#include "core/output/system_info.h"

namespace rpt {
class Interaction;
class TReportState;
}  // namespace rpt

namespace rpt::output {

// What only the front end can do for a send: the two summary dialogs, the
// clipboard and the list of printers.
class SendDesk {
 public:
  virtual ~SendDesk() = default;
  virtual checks::ErrorsSummaryAnswer AskErrors(const std::vector<std::string>& lines) = 0;
  virtual checks::EmptySummaryAnswer AskEmpty(const std::vector<std::string>& lines) = 0;
  // The data file's path goes on the clipboard (UTF-8).
  virtual void PutOnClipboard(const std::string& text) {}
  virtual std::vector<PrinterFacts> Printers() { return {}; }
};

// --- the institution code -------------------------------------------------------------

inline constexpr std::string_view kUnknownCode = "######";

// The code of the institution named `name` in the text of the institutions
// list: the first occurrence of the name (bytes, letter case kept) gives
// the key of its list cell; the code is the value, in section "0", of that
// row's key for column `codeField`, trimmed; Cyrillic "Н" and "В" in it
// become the Latin H and B. kUnknownCode when the name is not in the list
// or no code stands for it.
std::string CodeFromList(const std::string& listText, std::string_view name, std::string_view codeField);
// "Н" and "В" (Cyrillic capitals) to "H" and "B", blanks trimmed.
std::string LatinLookalikes(std::string_view code);
// "R_" + code + ".rpt" (Windows-1251).
std::string DataFileName(std::string_view code);
// "?a=" with the code padded to six characters by at most five "+" in
// front; the code's characters outside letters, digits and "-._~" encoded
// as %XX of their UTF-8 bytes so that the address stays one query.
std::string CodeQuery(std::string_view code);
// The addresses opened after an Internet send and by "Сайт".
std::string UploadAddress(const std::string& site, std::string_view code);
std::string SiteAddress(const std::string& site, std::string_view code);

// --- the checksum ---------------------------------------------------------------------

// The SHA-256 of a file as 64 lower-case hex digits; empty when it cannot be read.
std::string Sha256OfFile(const std::string& path);

// What a send wrote.
struct SentFile {
  std::string path;  // UTF-8
  std::int64_t size = 0;
  std::string sha256;
};

// --- the routes -------------------------------------------------------------------------

enum class SendRoute { Internet, Media, Email };

class TReportSending {
 public:
  // `site`: the receiving site's page ("Сайт" / "Норм" of "Options.cnf").
  TReportSending(TReportState& state, SendDesk& desk, std::string site);

  // The routes. Each shows its own messages; the data file written, or
  // nothing when the send stopped or failed.
  std::optional<SentFile> SendInternet();
  // The question and the folder dialog, then SendMediaTo.
  std::optional<SentFile> SendMedia();
  std::optional<SentFile> SendMediaTo(const std::string& chosenFolder);
  std::optional<SentFile> SendEmail();
  // "Сайт": the save question, the code, the address handed to the browser.
  // True when an address was opened.
  bool OpenSite();

  // --- the steps, for the routes and for tests ---
  // True when the send may go on.
  bool ReadinessCheck();
  bool NameCheck();
  // The code and the data file name; an empty name when the name is
  // missing (the message shown).
  struct Code {
    std::string code;      // Windows-1251; kUnknownCode when unknown
    std::string fileName;  // Windows-1251; empty: failure
  };
  Code InstitutionCode();
  // "Отчет" / "Код_вуза" of the working folder's structure file.
  void WriteCodeIntoStructure(std::string_view code);
  // The send archive at `destination`; false when a message was shown.
  bool BuildSendArchive(const std::string& destination);

  // True when the last route stopped at a summary: cancelled there, or
  // "Подробности" opened the protocol.
  bool stoppedAtSummary() const { return stoppedAtSummary_; }

 private:
  std::string OptionsPath() const;
  std::string DataLinesPath() const;
  bool WriteDataLines();
  void WriteSystemInfoFile();
  // The Internet and e-mail routes up to the archive: the readiness check,
  // the mail folder emptied, the code found and written, "SInfo.Inf".
  bool BeginMailRoute(Code& code);
  std::optional<SentFile> SendMediaAfterCheck(Interaction& ui, std::optional<std::string> chosen);
  // Shows the route's message with the file's size and checksum, and
  // writes the checksum beside the file.
  std::optional<SentFile> Finish(const std::string& path, std::string_view message);

  TReportState& state_;
  SendDesk& desk_;
  std::string site_;
  bool stoppedAtSummary_ = false;
};

}  // namespace rpt::output
