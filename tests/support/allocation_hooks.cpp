// The replaced global allocation functions, in every form the standard library may call, so a
// watch or an armed failure is met whichever path an allocation takes. They allocate with malloc
// and free with free, which keeps the sanitizer's bookkeeping of pairs consistent; the aligned
// forms are left to the library. Kept in a file of their own so the compiler never inlines them
// into callers and mistakes malloc/free for a mismatched pair.
#include "allocation_hooks.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> Watching{false};
std::atomic<std::size_t> Largest{0};
std::atomic<bool> FailNext{false};

// nullptr when the armed failure is met or memory is out; the callers decide how to fail.
void* Allocate(std::size_t size) noexcept {
    if (FailNext.exchange(false)) return nullptr;
    if (Watching.load(std::memory_order_relaxed)) {
        std::size_t seen = Largest.load(std::memory_order_relaxed);
        while (size > seen && !Largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

}  // namespace

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

namespace zarix::test {

std::size_t LargestAllocationDuring(const std::function<void()>& action) {
    Largest.store(0);
    Watching.store(true);
    action();
    Watching.store(false);
    return Largest.load();
}

void FailNextAllocation(bool Armed) { FailNext = Armed; }

}  // namespace zarix::test
