// What the report state keeps of its recovery while a report is open: the
// folder, the timing, the texts of the tables as last written and the
// writer. Only the report state uses it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/report/recovery.h"
#include "core/report/recovery_writer.h"

namespace rpt {

struct RecoveryRun {
  struct CachedText {
    std::uint64_t changes = 0;  // TTable::Changes() when the text was made
    std::shared_ptr<const std::string> text;
  };

  RecoveryTiming timing;
  TRecoveryWriter writer;
  std::string folder;        // the open report's recovery folder
  std::string restoredFrom;  // the folder restored from (the aside one for reportctl)
  std::string package;       // PackageIdentity of the report as loaded or last saved
  std::int64_t generation = 0;
  std::uint64_t writtenSignature = 0;
  std::int64_t changedAt = -1;
  std::int64_t lastWriteAt = 0;
  std::int64_t lastInputAt = 0;
  bool restored = false;
  bool errorShown = false;
  std::map<std::string, CachedText> texts;  // by table file (Windows-1251)
};

}  // namespace rpt
