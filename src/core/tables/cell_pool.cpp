#include "core/tables/cell_pool.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
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
  // Fills `out` with up to `wanted` places for cells of `size` bytes;
  // returns how many (0: not a size this pool serves).
  std::size_t Take(std::size_t size, void** out, std::size_t wanted) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!size_) {
      size_ = size;
      cellSize_.store(size, std::memory_order_release);
    }
    if (size != size_) return 0;  // one cell size per process
    std::size_t n = 0;
    for (; n < wanted && free_; ++n) {
      out[n] = free_;
      free_ = free_->next;
    }
    for (; n < wanted; ++n) {
      if (next_ + size_ > end_) {
        void* block = std::aligned_alloc(kBlock, kBlock);
        if (!block) {
          if (n) break;
          throw std::bad_alloc();
        }
        ::madvise(block, kBlock, MADV_HUGEPAGE);  // a hint; without it, ordinary pages
        next_ = static_cast<char*>(block);
        end_ = next_ + kBlock;
      }
      out[n] = next_;
      next_ += size_;
    }
    return n;
  }
  // Takes back `count` places of cells of the pool's size.
  void Release(void* const* places, std::size_t count) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < count; ++i) free_ = new (places[i]) Free{free_};
  }
  // The size of the cells the pool serves (0 until the first is taken).
  std::size_t CellSize() const noexcept { return cellSize_.load(std::memory_order_acquire); }

 private:
  struct Free {
    Free* next;
  };
  std::mutex mutex_;
  std::size_t size_ = 0;
  std::atomic<std::size_t> cellSize_{0};
  char* next_ = nullptr;
  char* end_ = nullptr;
  Free* free_ = nullptr;
};

// Never destroyed: cells of static objects may outlive every other static.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

// Each thread takes places from the pool and gives them back a few dozen
// at a time: threads loading tables side by side would otherwise meet at
// the pool's lock for every cell, and closing a report would take it once
// per cell. What a thread holds goes back when it ends.
class LocalPlaces {
 public:
  ~LocalPlaces() {
    ThePool().Release(places_, count_);
    count_ = 0;
  }
  void* Take(std::size_t size) {
    if (count_ == 0) {
      count_ = ThePool().Take(size, places_, kBatch);
      // Handed out in address order.
      std::reverse(places_, places_ + count_);
      if (count_ == 0) return nullptr;
    }
    return places_[--count_];
  }
  void Give(void* place) {
    if (count_ == kCapacity) {
      ThePool().Release(places_ + kBatch, kCapacity - kBatch);
      count_ = kBatch;
    }
    places_[count_++] = place;
  }

 private:
  static constexpr std::size_t kBatch = 32;
  static constexpr std::size_t kCapacity = 2 * kBatch;
  void* places_[kCapacity];
  std::size_t count_ = 0;
};

thread_local LocalPlaces localPlaces;

}  // namespace

void* AllocateCell(std::size_t size) {
  if (kPooled && size % kAlign == 0) {
    const std::size_t served = ThePool().CellSize();
    if (served == 0 || served == size)
      if (void* p = localPlaces.Take(size)) return p;
  }
  return ::operator new(size, std::align_val_t{kAlign});
}

void FreeCell(void* cell, std::size_t size) noexcept {
  if (!cell) return;
  if (kPooled && size % kAlign == 0 && size == ThePool().CellSize()) {
    localPlaces.Give(cell);
    return;
  }
  ::operator delete(cell, std::align_val_t{kAlign});
}

}  // namespace rpt::tables
