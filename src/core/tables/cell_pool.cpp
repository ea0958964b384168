#include "core/tables/cell_pool.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>

namespace rpt::tables {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

constexpr std::size_t kAlign = 64;
constexpr std::size_t kBlock = std::size_t{2} << 20;

class Pool {
 public:
  void* Allocate(std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!size_) size_ = size;
    if (size != size_) return nullptr;  // one cell size per process
    if (free_) {
      Free* f = free_;
      free_ = f->next;
      return f;
    }
    if (next_ + size_ > end_) {
      void* block = std::aligned_alloc(kBlock, kBlock);
      if (!block) throw std::bad_alloc();
      ::madvise(block, kBlock, MADV_HUGEPAGE);  // a hint; without it, ordinary pages
      next_ = static_cast<char*>(block);
      end_ = next_ + kBlock;
    }
    void* p = next_;
    next_ += size_;
    return p;
  }
  bool Release(void* p, std::size_t size) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    if (size != size_) return false;
    free_ = new (p) Free{free_};
    return true;
  }

 private:
  struct Free {
    Free* next;
  };
  std::mutex mutex_;
  std::size_t size_ = 0;
  char* next_ = nullptr;
  char* end_ = nullptr;
  Free* free_ = nullptr;
};

// Never destroyed: cells of static objects may outlive every other static.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

}  // namespace

void* AllocateCell(std::size_t size) {
  if (kPooled && size % kAlign == 0)
    if (void* p = ThePool().Allocate(size)) return p;
  return ::operator new(size, std::align_val_t{kAlign});
}

void FreeCell(void* cell, std::size_t size) noexcept {
  if (!cell) return;
  if (kPooled && size % kAlign == 0 && ThePool().Release(cell, size)) return;
  ::operator delete(cell, std::align_val_t{kAlign});
}

}  // namespace rpt::tables
