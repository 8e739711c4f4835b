// The test program's own global operator new and delete, in every form the standard library
// may call, so an armed failure is met whichever path an allocation takes. Kept in a file of
// their own so the compiler never inlines them into callers and mistakes malloc/free for a
// mismatched pair.
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

namespace {

// nullptr when the armed failure is met or memory is out; the callers decide how to fail.
void* Allocate(std::size_t size) noexcept {
    if (sync_test::gFailNext.exchange(false)) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

}  // namespace

// malloc and free on both sides keep the sanitizer's bookkeeping of pairs consistent. The
// aligned forms are left to the standard library: they need aligned_alloc, which this program
// never arms a failure for.
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
