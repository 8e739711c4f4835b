// The test program's own global operator new and delete, in a file of their own so the
// compiler never inlines them into callers and mistakes malloc/free for a mismatched pair.
#include "allocation_countdown.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace lifetime_test {
namespace {
std::atomic<std::size_t> gCountdown{0};
std::atomic<bool> gFailed{false};
}  // namespace

bool FailThisOne() noexcept;

void FailAllocation(std::size_t Nth) noexcept {
    gFailed = false;
    gCountdown = Nth;
}

bool AllocationFailed() noexcept { return gFailed; }

bool FailThisOne() noexcept {
    std::size_t left = gCountdown.load();
    while (left != 0 && !gCountdown.compare_exchange_weak(left, left - 1)) {
    }
    if (left != 1) return false;
    gFailed = true;
    return true;
}

}  // namespace lifetime_test

// malloc and free behind every form of new and delete keep the sanitizer's bookkeeping of
// pairs consistent (the standard library frees its nothrow buffers with the sized delete).
void* operator new(std::size_t size) {
    if (lifetime_test::FailThisOne()) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
