#include "core/tables/parallel_load.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "core/foundation/text_case.h"

namespace rpt::tables {

namespace {

// No more workers than this: past it the load waits on memory, not on cores.
constexpr unsigned kMaxThreads = 4;

// What a table loading on a worker thread sees as the report's hooks.
class DeferredHooks final : public TableHooks {
 public:
  // Questions go to `report` under `reportMutex`. Without a report (a table
  // loaded ahead) they get the answers of a report without rules, colour
  // scheme or background; the colours asked are remembered for AnswersHold.
  DeferredHooks(TableHooks* report, std::mutex* reportMutex) : report_(report), mutex_(reportMutex) {}

  // The whole load runs under the loading flag, as a report load does.
  bool Loading() const override { return true; }
  void SetLoading(bool) override {}

  void ModifiedChanged(TTable& table, bool modified) override {
    Keep([&table, modified](TableHooks& h) { h.ModifiedChanged(table, modified); });
  }
  void ReportChanged() override {
    Keep([](TableHooks& h) { h.ReportChanged(); });
  }
  void ValueChanged(TTable& table, TCell& cell) override {
    Keep([&table, &cell](TableHooks& h) { h.ValueChanged(table, cell); });
  }
  void RecalcTable(TTable& table, bool deep, bool withCheck) override {
    Keep([&table, deep, withCheck](TableHooks& h) { h.RecalcTable(table, deep, withCheck); });
  }
  void CheckTable(TTable& table) override {
    Keep([&table](TableHooks& h) { h.CheckTable(table); });
  }
  void TableMapAdd(std::string_view fileName) override {
    Keep([name = std::string(fileName)](TableHooks& h) { h.TableMapAdd(name); });
  }
  void TableMapRemove(std::string_view fileName) override {
    Keep([name = std::string(fileName)](TableHooks& h) { h.TableMapRemove(name); });
  }
  void RegisterTableLinks(TTable& table, std::string_view references) override {
    Keep([&table, refs = std::string(references)](TableHooks& h) { h.RegisterTableLinks(table, refs); });
  }

  bool HasRules(std::string_view tableName) override {
    if (!report_) return false;  // asked again at the hand-over
    std::lock_guard<std::mutex> lock(*mutex_);
    return report_->HasRules(tableName);
  }
  // Asked for every cell: the few colours a table uses are remembered.
  TColor DisplayColor(TColor fileColor) override {
    for (const auto& [from, to] : colors_)
      if (from == fileColor) return to;
    TColor shown = fileColor;
    if (report_) {
      std::lock_guard<std::mutex> lock(*mutex_);
      shown = report_->DisplayColor(fileColor);
    }
    colors_.emplace_back(fileColor, shown);
    return shown;
  }
  std::optional<TColor> BackgroundColor() override {
    if (!report_) return std::nullopt;  // asked again at the hand-over
    std::lock_guard<std::mutex> lock(*mutex_);
    return report_->BackgroundColor();
  }
  TColor SchemeColor(ColorRole role) override {
    if (!report_) {
      schemeAsked_ = true;  // not remembered: such a table is loaded again
      return TableHooks::SchemeColor(role);
    }
    std::lock_guard<std::mutex> lock(*mutex_);
    return report_->SchemeColor(role);
  }

  // Whether the colours given without a report are the ones `report` gives.
  bool AnswersHold(TableHooks& report) const {
    if (schemeAsked_) return false;
    for (const auto& [from, to] : colors_)
      if (report.DisplayColor(from) != to) return false;
    return true;
  }

  // On the calling thread: what the table's load told, in order.
  void PassOn(TableHooks& to) {
    for (auto& call : calls_) call(to);
    calls_.clear();
  }

 private:
  void Keep(std::function<void(TableHooks&)> call) { calls_.push_back(std::move(call)); }

  TableHooks* report_;
  std::mutex* mutex_;
  std::vector<std::function<void(TableHooks&)>> calls_;
  std::vector<std::pair<TColor, TColor>> colors_;
  bool schemeAsked_ = false;
};

// Page settings no table file yields: every margin a loaded table reads is
// at least 0, and a table without margins takes the context's.
constexpr PageSettings kUnknownPage{-1, -1, -1, -1, 0};

// What decides how a table file is loaded, besides the file and the hooks.
bool SameLoadSettings(const TableContext& a, const TableContext& b) {
  return a.measure == b.measure && a.listFolder == b.listFolder && a.templateFolder == b.templateFolder &&
         a.userFontFace == b.userFontFace && a.userFontSize == b.userFontSize;
}

// What shows that a file changed: a file replaced, rewritten or made
// unreadable after a table was loaded from it differs in one of these.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};
  mode_t mode = 0;
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && mode == o.mode &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, st.st_mode};
}

std::string PathKey(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

struct LoadJob {
  LoadJob(const TableContext& report, TableHooks* reportHooks, std::mutex* reportMutex)
      : hooks(reportHooks, reportMutex), context(report) {
    context.hooks = &hooks;
    context.ui = nullptr;
    context.currentPage = kUnknownPage;
  }
  void Load(const std::string& path) {
    try {
      table = std::make_unique<TTable>(context);
      table->LoadFromFile(path);
    } catch (...) {
      error = std::current_exception();
    }
  }
  DeferredHooks hooks;
  TableContext context;
  std::unique_ptr<TTable> table;
  std::exception_ptr error;
  bool ahead = false;  // loaded by a TablePreloader
  std::optional<FileStamp> stamp;  // of the file it was loaded from, taken before
  bool done = false;
};

// --- TablePreloader ----------------------------------------------------------------------

TablePreloader::TablePreloader(const TableContext& context)
    : context_(std::make_unique<TableContext>(context)) {
  if (std::thread::hardware_concurrency() < 2) return;  // no core to spare
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Everything is loaded in the usual way.
  }
}

TablePreloader::~TablePreloader() {
  Finish();
  if (thread_.joinable()) thread_.join();
}

void TablePreloader::Offer(const std::string& path) {
  if (!thread_.joinable()) return;
  if (!SameText(std::filesystem::path(path).extension().string(), ".ini")) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_ || discarded_) return;
    queue_.push_back(path);
  }
  wake_.notify_one();
}

void TablePreloader::Discard() {
  std::map<std::string, std::unique_ptr<LoadJob>> gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    discarded_ = true;
    queue_.clear();
    gone.swap(loaded_);
  }
}

void TablePreloader::Run() {
  // Only the time the unpacking leaves over: the unpacking comes first.
  // (On Linux a thread has a nice value of its own.)
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
  for (;;) {
    std::string path;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      busy_ = false;
      if (queue_.empty()) idle_.notify_all();
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      path = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
    }
    auto job = std::make_unique<LoadJob>(*context_, nullptr, nullptr);
    job->ahead = true;
    job->stamp = StampOf(path);
    job->Load(path);
    // A file that does not load is left to the load proper, which reports it.
    if (job->error || !job->stamp) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!discarded_ && !stop_) loaded_[PathKey(path)] = std::move(job);
  }
}

void TablePreloader::WaitForOffered() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return stop_ || !thread_.joinable() || (queue_.empty() && !busy_); });
}

std::map<std::string, std::unique_ptr<LoadJob>> TablePreloader::Finish() {
  std::map<std::string, std::unique_ptr<LoadJob>> loaded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    loaded.swap(loaded_);
  }
  wake_.notify_all();
  // Not waited for: a table still loading at low priority is loaded
  // again by the workers, and the thread is joined when this goes.
  return loaded;
}

// --- LoadTableFiles ----------------------------------------------------------------------

namespace {

void LoadOneAfterAnother(TableContext& context, const std::vector<std::string>& files,
                         const std::function<void(std::size_t, std::unique_ptr<TTable>)>& loaded) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto table = std::make_unique<TTable>(context);
    table->LoadFromFile(files[i]);
    loaded(i, std::move(table));
  }
}

}  // namespace

void LoadTableFiles(TableContext& context, const std::vector<std::string>& files,
                    const std::function<void(std::size_t, std::unique_ptr<TTable>)>& loaded, unsigned threads,
                    TablePreloader* ahead) {
  std::map<std::string, std::unique_ptr<LoadJob>> early;
  if (ahead) {
    early = ahead->Finish();
    if (!SameLoadSettings(*ahead->context_, context)) early.clear();
  }
  std::size_t taken = 0;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min({threads, kMaxThreads, static_cast<unsigned>(files.size())});
  if (threads <= 1 && early.empty()) {
    LoadOneAfterAnother(context, files, loaded);
    return;
  }

  std::mutex reportMutex;  // the report's hooks, asked by the workers
  std::vector<std::unique_ptr<LoadJob>> jobs;
  jobs.reserve(files.size());
  std::size_t toLoad = 0;
  for (const std::string& file : files) {
    std::unique_ptr<LoadJob> job;
    if (!early.empty()) {
      // Each table loaded ahead serves once, and only if its file is still
      // the one it was loaded from and what it was told without the report
      // is what the report tells now.
      const auto found = early.find(PathKey(file));
      if (found != early.end() && StampOf(file) == found->second->stamp &&
          found->second->hooks.AnswersHold(*context.hooks)) {
        job = std::move(found->second);
        early.erase(found);
        job->done = true;
        ++taken;
      }
    }
    if (!job) {
      job = std::make_unique<LoadJob>(context, context.hooks, &reportMutex);
      ++toLoad;
    }
    jobs.push_back(std::move(job));
  }
  early.clear();  // tables of files not asked for
  if (ahead) ahead->taken_ = taken;

  std::mutex doneMutex;
  std::condition_variable doneChanged;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  const auto work = [&] {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= jobs.size() || stop.load()) return;
      LoadJob& job = *jobs[i];
      if (job.ahead) continue;
      job.Load(files[i]);
      {
        std::lock_guard<std::mutex> lock(doneMutex);
        job.done = true;
      }
      doneChanged.notify_all();
    }
  };
  std::vector<std::thread> workers;
  // Joined on every way out: a worker still loading must not outlive the jobs.
  struct Joiner {
    std::vector<std::thread>& workers;
    std::atomic<bool>& stop;
    ~Joiner() {
      stop = true;
      for (auto& w : workers)
        if (w.joinable()) w.join();
    }
  } joiner{workers, stop};
  if (threads > 1 && toLoad > 0) {
    try {
      for (unsigned t = 0; t < std::min<std::size_t>(threads, toLoad); ++t) workers.emplace_back(work);
    } catch (const std::system_error&) {
      // Fewer threads than asked for: the ones started, or the calling
      // thread, do the work.
    }
  }

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    LoadJob& job = *jobs[i];
    if (workers.empty() && !job.done) {
      job.Load(files[i]);
      job.done = true;
    }
    {
      std::unique_lock<std::mutex> lock(doneMutex);
      doneChanged.wait(lock, [&job] { return job.done; });
    }
    // The report learns of this table now, in file order.
    if (job.table) {
      job.table->SetContext(context);
      if (job.table->page == kUnknownPage) job.table->page = context.currentPage;
      else context.currentPage = job.table->page;
      if (job.ahead) {
        // What a load asks the report first, asked now that it is ready.
        std::lock_guard<std::mutex> lock(reportMutex);
        job.table->hasRules = context.hooks->HasRules(job.table->tableName);
        job.table->background = context.hooks->BackgroundColor();
      }
    }
    job.hooks.PassOn(*context.hooks);
    if (job.error) {
      stop = true;
      std::rethrow_exception(job.error);
    }
    loaded(i, std::move(job.table));
  }
}

}  // namespace rpt::tables
