#include "core/foundation/shared_text.h"

#include <mutex>
#include <unordered_set>

namespace rpt {

namespace {

struct Pool {
  std::mutex mutex;
  std::unordered_set<std::string> texts;
};

// Never destroyed: shared texts of static objects may outlive every other static.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

}  // namespace

const std::string& SharedText::Empty() {
  static const std::string* empty = new std::string;
  return *empty;
}

const std::string* SharedText::Intern(std::string_view text) {
  if (text.empty()) return &Empty();
  // A loading table hands the same face or list name for cell after cell:
  // the last value of this thread answers without a lookup or a lock.
  thread_local const std::string* last = nullptr;
  if (last && *last == text) return last;
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  last = &*pool.texts.emplace(text).first;
  return last;
}

}  // namespace rpt
