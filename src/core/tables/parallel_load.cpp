#include "core/tables/parallel_load.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace rpt::tables {

namespace {

// No more workers than this: past it the load waits on memory, not on cores.
constexpr unsigned kMaxThreads = 4;

// What a table loading on a worker thread sees as the report's hooks.
class DeferredHooks final : public TableHooks {
 public:
  DeferredHooks(TableHooks& report, std::mutex& reportMutex) : report_(report), mutex_(reportMutex) {}

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
    std::lock_guard<std::mutex> lock(mutex_);
    return report_.HasRules(tableName);
  }
  // Asked for every cell: the few colours a table uses are remembered.
  TColor DisplayColor(TColor fileColor) override {
    for (const auto& [from, to] : colors_)
      if (from == fileColor) return to;
    TColor shown;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shown = report_.DisplayColor(fileColor);
    }
    colors_.emplace_back(fileColor, shown);
    return shown;
  }
  std::optional<TColor> BackgroundColor() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return report_.BackgroundColor();
  }
  TColor SchemeColor(ColorRole role) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return report_.SchemeColor(role);
  }

  // On the calling thread: what the table's load told, in order.
  void PassOn() {
    for (auto& call : calls_) call(report_);
    calls_.clear();
  }

 private:
  void Keep(std::function<void(TableHooks&)> call) { calls_.push_back(std::move(call)); }

  TableHooks& report_;
  std::mutex& mutex_;
  std::vector<std::function<void(TableHooks&)>> calls_;
  std::vector<std::pair<TColor, TColor>> colors_;
};

// Page settings no table file yields: every margin a loaded table reads is
// at least 0, and a table without margins takes the context's.
constexpr PageSettings kUnknownPage{-1, -1, -1, -1, 0};

struct Job {
  Job(const TableContext& report, TableHooks& reportHooks, std::mutex& reportMutex)
      : hooks(reportHooks, reportMutex), context(report) {
    context.hooks = &hooks;
    context.ui = nullptr;
    context.currentPage = kUnknownPage;
  }
  DeferredHooks hooks;
  TableContext context;
  std::unique_ptr<TTable> table;
  std::exception_ptr error;
  bool done = false;
};

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
                    const std::function<void(std::size_t, std::unique_ptr<TTable>)>& loaded, unsigned threads) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min({threads, kMaxThreads, static_cast<unsigned>(files.size())});
  if (threads <= 1) {
    LoadOneAfterAnother(context, files, loaded);
    return;
  }

  std::mutex reportMutex;  // the report's hooks, asked by the workers
  std::vector<std::unique_ptr<Job>> jobs;
  jobs.reserve(files.size());
  for (std::size_t i = 0; i < files.size(); ++i)
    jobs.push_back(std::make_unique<Job>(context, *context.hooks, reportMutex));

  std::mutex doneMutex;
  std::condition_variable doneChanged;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  const auto work = [&] {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= jobs.size() || stop.load()) return;
      Job& job = *jobs[i];
      try {
        job.table = std::make_unique<TTable>(job.context);
        job.table->LoadFromFile(files[i]);
      } catch (...) {
        job.error = std::current_exception();
      }
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
  try {
    for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for; the ones started do the work.
    if (workers.empty()) {
      LoadOneAfterAnother(context, files, loaded);
      return;
    }
  }

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    Job& job = *jobs[i];
    {
      std::unique_lock<std::mutex> lock(doneMutex);
      doneChanged.wait(lock, [&job] { return job.done; });
    }
    // The report learns of this table now, in file order.
    if (job.table) {
      job.table->SetContext(context);
      if (job.table->page == kUnknownPage) job.table->page = context.currentPage;
      else context.currentPage = job.table->page;
    }
    job.hooks.PassOn();
    if (job.error) {
      stop = true;
      std::rethrow_exception(job.error);
    }
    loaded(i, std::move(job.table));
  }
}

}  // namespace rpt::tables
