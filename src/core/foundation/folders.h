// The folder layout below the program folder and the names of the files the
// system keeps there. Paths are UTF-8 and every folder path ends with "/".
//
// The core never guesses where the program folder is: a front end resolves
// it once (ResolveProgramLocation) and builds the folder set from it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rpt {

// Answers an environment lookup; nothing when the variable is unset. Passed
// in so that the lookups can be tested without touching the environment.
using EnvLookup = std::function<std::optional<std::string>(const char*)>;
// The process environment.
std::optional<std::string> ProcessEnv(const char* name);

// File names of the catalogue (UTF-8, as on disk; lookups ignore case).
inline constexpr std::string_view kReportPackageName = "Report.rpt";
inline constexpr std::string_view kStructureMask = "*.str";
inline constexpr std::string_view kOptionsFileName = "Options.cnf";
inline constexpr std::string_view kLocalOptionsFileName = "LocOpt.cnf";
inline constexpr std::string_view kHistoryFileName = "History.ini";
inline constexpr std::string_view kCheckRulesFileName = "Check.chk";
inline constexpr std::string_view kColorsFileName = "Colors.opt";
inline constexpr std::string_view kInstructionsFileName = "Instr.txt";
inline constexpr std::string_view kScratchTextFileName = "T.txt";
inline constexpr std::string_view kPrintSettingsFileName = "Print.ini";
inline constexpr std::string_view kTitleFileName = "Title.ini";
inline constexpr std::string_view kContentsTemplateName = "Оглавление.rtf";
inline constexpr std::string_view kDataLinesFileName = "R.txt";
inline constexpr std::string_view kSystemInfoFileName = "SInfo.Inf";
inline constexpr std::string_view kTransferArchiveName = "Arch.rpt";
inline constexpr std::string_view kSelfExtractorStubName = "UnSelf.bin";
inline constexpr std::string_view kTransferPackageName = "Setup_p.exe";
inline constexpr std::string_view kTableFileExtension = ".ini";

// The installed packages, each unpacked into its folder at start.
inline constexpr std::string_view kTemplatePackageName = "TI.a";
// The filled demo report the installation carries to learn on.
inline constexpr std::string_view kExamplePackageName = "Demo.rpt";
inline constexpr std::string_view kListPackageName = "TL.a";
inline constexpr std::string_view kPrintPackageName = "TP.a";
inline constexpr std::string_view kServicePackageName = "S.a";

struct FolderSet {
  std::string program;      // holds "History.ini", "LocOpt.cnf", report folders
  std::string data;         // program + "Help/Data/"
  // Where the installed packages are read from: the data folder in a
  // portable layout, the read-only installation otherwise.
  std::string installData;
  std::string templates;    // data + "TabIni/"
  std::string lists;        // data + "TabLst/"
  std::string print;        // data + "PrintDocs/"
  std::string service;      // data + "Servis/"
  std::string working;      // data + "Temp/": the open report
  std::string subreports;   // working + "Subreports/"
  std::string reception;    // working + "Temp_p/"
  std::string import;       // data + "Temp_r/"
  std::string check;        // data + "S/"
  std::string mail;         // program + "Почтовый ящик/"

  // `installData` empty means the packages live in the data folder itself.
  static FolderSet FromProgramFolder(std::string programFolder, std::string installData = {});

  std::string TemplatePackage() const { return installData + std::string(kTemplatePackageName); }
  std::string ListPackage() const { return installData + std::string(kListPackageName); }
  std::string PrintPackage() const { return installData + std::string(kPrintPackageName); }
  std::string ServicePackage() const { return installData + std::string(kServicePackageName); }
  std::string ExamplePackage() const { return installData + std::string(kExamplePackageName); }
};

struct ProgramLocation {
  std::string programFolder;    // ends with "/"
  std::string installData;      // ends with "/"; where "TI.a" and the others are read
  bool portable = false;
};

// Where the program keeps its files, given the folder holding the executable:
// that folder itself when it is writable and holds "Help/Data/" (a portable
// installation, packages beside the program); otherwise
// "$XDG_DATA_HOME/<programName>/" (by default
// "$HOME/.local/share/<programName>/"), with the packages read from the
// installation: the executable folder's "Help/Data/" when it exists, else
// "<prefix>/share/<programName>/Help/Data/" for an executable in
// "<prefix>/bin/".
ProgramLocation ResolveProgramLocation(const std::string& executableFolder,
                                       std::string_view programName,
                                       const EnvLookup& getEnv = ProcessEnv);
// The same decision with the writability of the executable folder given.
ProgramLocation ProgramLocationFor(const std::string& executableFolder, bool executableFolderWritable,
                                   std::string_view programName,
                                   const EnvLookup& getEnv = ProcessEnv);

// The folder holding the running executable ("/proc/self/exe"), ending "/".
std::string ExecutableFolder();

// A folder path as the report files store it (Windows-1251, "\" or "/"
// separators, trailing separator or not) as a UTF-8 path ending with "/";
// empty for an empty value.
std::string StoredFolderToPath(std::string_view cp1251);

// The last component of a stored folder path, splitting on both "\" and "/"
// and ignoring trailing separators, in the encoding given; empty when there
// is none.
std::string LastFolderComponent(std::string_view path);

}  // namespace rpt
