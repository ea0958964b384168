// Handing a sub-report to a department ("Передача") and taking the filled
// one back ("Приемка").
//
// The transfer package "Setup_p.exe" is the self-extractor stub of the
// service folder ("UnSelf.bin"), the 40-byte separator and the archive
// "Arch.rpt": a plain cabinet (first bytes not exchanged) of a staging
// folder that holds the program's executables, the help files and the
// manual, and the packages "TI.a" (the sub-report's own table and document
// files, the check rules, the instructions and the structure file marked
// "Только_подотчет" = 1), "TL.a" (exactly the value lists the tables'
// list cells name) and "TP.a" (the print templates). The stub unpacks it
// at the department into a sub-report-only installation.
//
// Paths are UTF-8 (folders ending with "/"); texts Windows-1251.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rpt {

class TReportState;

// Between the stub and the archive.
inline constexpr std::string_view kTransferSeparator = "!DATA!KALMEROKALMEROKALMEROKALMERO!DATA!";

// The program's executables copied into a transfer, looked up in the
// folder of the running program; a missing one (a build without the
// desktop program) is left out.
inline constexpr std::string_view kProgramExecutables[] = {"report", "reportctl"};

// Where the files of a transfer come from.
struct TransferSources {
  std::string workingFolder;     // the open sub-report, unpacked
  std::string templateFolder;    // "TabIni/"
  std::string listFolder;        // "TabLst/"
  std::string printFolder;       // "PrintDocs/"
  std::string programFolder;     // "Doc/" (the manual) and "Help/" ("*.chm", the HTML help "html/")
  // The installation's folder holding "Doc/" and "Help/" (the parent of
  // "Help/Data/" of the installed packages), where the manual and the help
  // are taken from when the program folder has none: a user's folder of an
  // installed program holds neither.
  std::string installFolder;
  std::string executableFolder;  // the program's executables
};

// Fills the (empty) staging folder with what the department needs, before
// the three folders are packed. Raises EFileError when a file cannot be
// copied.
void BuildStagingFolder(const TransferSources& sources, const std::string& staging);

// Packs "TabIni/", "TabLst/" and "PrintDocs/" of the staging folder into
// "TI.a", "TL.a" and "TP.a" beside them (removing the folders), then the
// whole staging folder into the plain cabinet `archive`. False (the
// cause shown) when a package could not be written.
bool PackStagingFolder(TReportState& state, const std::string& staging, const std::string& archive);

// Writes stub + separator + archive into `setup`. Raises EFileError.
void WriteSetupFile(const std::string& stub, const std::string& archive, const std::string& setup);

// "Передача" from the chosen folder on (the question and the folder
// dialog done): the destination folder chosen + the sub-report folder's last
// component + " (для передачи)/" receives "Setup_p.exe". Every message is
// shown through the port. The destination, or nothing when the transfer
// did not happen.
std::optional<std::string> TransferSubreportTo(TReportState& state, const std::string& chosenFolder,
                                               const std::string& executableFolder);

// "Передача": the question, the folder dialog, then as above.
std::optional<std::string> TransferSubreport(TReportState& state, const std::string& executableFolder);

// "Приемка" of a chosen package: unpacked into the reception folder, its
// structure marked "Только_подотчет" = 0, written into the folder it records
// ("Папка"), or one the user picks after answering "Нет", and opened from
// there. The destination, or nothing.
std::optional<std::string> ReceiveSubreportFrom(TReportState& state, const std::string& package);

// "Приемка": the question and the file dialog, then as above.
std::optional<std::string> ReceiveSubreport(TReportState& state);

}  // namespace rpt
