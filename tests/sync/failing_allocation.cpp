// The test program's own global operator new and delete. Kept in a file of their own so the
// compiler never inlines them into callers and mistakes malloc/free for a mismatched pair.
#include "failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace sync_test {
namespace {
std::atomic<bool> gFailNext{false};
}  // namespace

void FailNextAllocation(bool Armed) { gFailNext = Armed; }

}  // namespace sync_test

// malloc and free on both sides keep the sanitizer's bookkeeping of pairs consistent.
void* operator new(std::size_t size) {
    if (sync_test::gFailNext.exchange(false)) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
