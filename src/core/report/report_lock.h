// The report lock: one program at a time works on a report folder. It is an
// advisory lock (flock) on the file "Report.lck" in the report folder, held
// by the desktop program for as long as it has the report open and by
// reportctl for a whole open-change-save cycle. The kernel releases it when
// the holder ends, however it ends, so it never goes stale. While held, the
// file names its holder (user, host, program, process, since when), so that
// the next one can say who has the report.
#pragma once

#include <string>
#include <string_view>

namespace rpt {

inline constexpr std::string_view kReportLockName = "Report.lck";

// What the lock file says of its holder; empty fields are not known.
struct ReportLockHolder {
  std::string user, host, program, pid, since;  // UTF-8
};

class TReportLock {
 public:
  enum class Result {
    Acquired,
    Busy,         // another holder; see holder()
    Unavailable,  // the lock file cannot be made (e.g. a read-only folder): no lock is held
  };

  TReportLock() = default;
  ~TReportLock() { Release(); }
  TReportLock(TReportLock&& other) noexcept;
  TReportLock& operator=(TReportLock&& other) noexcept;
  TReportLock(const TReportLock&) = delete;
  TReportLock& operator=(const TReportLock&) = delete;

  // Takes the lock of the report folder (UTF-8, ends with "/"), waiting up
  // to `waitMs` milliseconds while another holds it. A lock held before is
  // released first.
  Result Acquire(const std::string& folder, int waitMs = 0);
  void Release();
  bool held() const { return fd_ >= 0; }
  // The folder whose lock is held (empty when none).
  const std::string& folder() const { return folder_; }
  // Who held the lock when Acquire returned Busy.
  const ReportLockHolder& holder() const { return holder_; }

 private:
  int fd_ = -1;
  std::string folder_;
  ReportLockHolder holder_;
};

// The error shown when the report of `folder` is held by another
// (Windows-1251): the folder and whatever is known of the holder.
std::string ReportBusyMessage(const std::string& folder, const ReportLockHolder& holder);

}  // namespace rpt
