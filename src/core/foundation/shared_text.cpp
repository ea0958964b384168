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
  // A loading table hands the same few faces, list names and formulas for
  // cell after cell: the last values this thread interned answer without a
  // lookup or a lock.
  constexpr std::size_t kRecent = 8;
  thread_local const std::string* recent[kRecent] = {};
  thread_local std::size_t replace = 0;
  for (const std::string* r : recent)
    if (r && r->size() == text.size() && *r == text) return r;
  const std::string* interned;
  {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    interned = &*pool.texts.emplace(text).first;
  }
  recent[replace] = interned;
  replace = (replace + 1) % kRecent;
  return interned;
}

}  // namespace rpt
