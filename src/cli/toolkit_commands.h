// The commands that need the toolkit: printing paints pages, and sending
// and the system facts list the print system's printers. They live in a
// companion program beside reportctl (or, installed, in the package's
// private program folder), so that every other command starts without
// loading the toolkit's libraries, which took longer than opening a small
// report. reportctl hands these commands over to the companion unchanged.
#pragma once

namespace rpt::cli {

inline constexpr const char* kToolkitProgram = "reportctl-print";

inline constexpr const char* kPrintUsage =
    "print --program-folder P REPORT [--item FILE | --section N | --all] [--blank] --pdf OUT.pdf";
inline constexpr const char* kSendUsage =
    "send --program-folder P REPORT --route internet|media|email [--to FOLDER] [--force]";
inline constexpr const char* kSysinfoUsage = "sysinfo";

}  // namespace rpt::cli
