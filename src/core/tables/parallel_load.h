// Loading many table files at once. A report's tables are independent
// files, and building their cells is most of the time a report takes to
// open: on a machine with more than one core they are loaded side by side,
// and the first of them while the report's package is still being unpacked.
//
// A table loading on a worker thread talks to a stand-in for the report's
// hooks. Its questions (rules, colours) are answered by the report's hooks
// under one lock; its notifications (table map, cross-table links, changed
// values, modified marks) are kept and passed on to the report's hooks on
// the calling thread, table by table in file order, exactly as a load of
// one table after the other would have made them. A table without margins
// takes the page settings of the table before it, as then. Nothing of the
// interaction port is used by a worker.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/tables/table.h"

namespace rpt::tables {

struct LoadJob;

// Loads table files as they are unpacked, before the report that will
// hold them is ready: on its own thread, with `context` as it is at
// construction, and without asking the report anything. Its colour
// questions get the answers of a report without a colour scheme; those
// answers are checked when LoadTableFiles takes the table over, and a table
// they do not hold for (or one loaded with another context) is loaded
// again there, as is one whose file changed since. Rules and background
// are asked again at the hand-over. The thread runs at the lowest priority,
// on the time the unpacking leaves over; with one core nothing is loaded
// ahead.
class TablePreloader {
 public:
  explicit TablePreloader(const TableContext& context);
  ~TablePreloader();
  TablePreloader(const TablePreloader&) = delete;
  TablePreloader& operator=(const TablePreloader&) = delete;

  // A file is complete on disk (any thread): a table file ("*.ini") is
  // loaded in its turn.
  void Offer(const std::string& path);
  // The files were changed after they were offered: nothing loaded so far
  // is used.
  void Discard();
  // Waits until every file offered so far is loaded (or failed to load).
  void WaitForOffered();
  // How many of its tables a load has taken over.
  std::size_t Taken() const { return taken_; }

 private:
  friend void LoadTableFiles(TableContext&, const std::vector<std::string>&,
                             const std::function<void(std::size_t, std::unique_ptr<TTable>)>&, unsigned,
                             TablePreloader*);
  // No table is kept after this: the tables loaded so far are handed over,
  // by their file's normalised path. A table still loading is dropped when
  // done; the destructor waits for that.
  std::map<std::string, std::unique_ptr<LoadJob>> Finish();
  void Run();

  std::unique_ptr<TableContext> context_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  std::map<std::string, std::unique_ptr<LoadJob>> loaded_;
  std::condition_variable idle_;
  bool busy_ = false;
  bool stop_ = false;
  bool discarded_ = false;
  std::size_t taken_ = 0;
  std::thread thread_;
};

// Loads `files` (UTF-8 paths) into new tables of `context`. `loaded` is
// called on the calling thread for every table in the order of `files`,
// each as soon as it and those before it are loaded. When a table fails to
// load, the tables before it have been handed over, the others are
// discarded and the failure is raised on the calling thread. `threads` 0
// takes the number of cores; 1 loads everything on the calling thread.
// Tables `ahead` has loaded in time are taken from it when they still hold.
void LoadTableFiles(TableContext& context, const std::vector<std::string>& files,
                    const std::function<void(std::size_t, std::unique_ptr<TTable>)>& loaded,
                    unsigned threads = 0, TablePreloader* ahead = nullptr);

}  // namespace rpt::tables
