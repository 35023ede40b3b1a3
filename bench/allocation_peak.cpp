#include "allocation_peak.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<int64_t> held{0};
std::atomic<int64_t> peak{0};

void Count(void* p) {
    if (!p || !counting.load(std::memory_order_relaxed))
        return;
    const int64_t now = held.fetch_add(static_cast<int64_t>(malloc_usable_size(p))) +
                        static_cast<int64_t>(malloc_usable_size(p));
    int64_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
}

void Uncount(void* p) {
    if (p && counting.load(std::memory_order_relaxed))
        held.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)));
}

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        throw std::bad_alloc();
    Count(p);
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    const auto align = static_cast<std::size_t>(alignment);
    void* p = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (!p)
        throw std::bad_alloc();
    Count(p);
    return p;
}

void Free(void* p) {
    Uncount(p);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Free(p);
}

namespace varnet::bench {

AllocationPeak::AllocationPeak() {
    held.store(0);
    peak.store(0);
    counting.store(true);
}

AllocationPeak::~AllocationPeak() {
    counting.store(false);
}

int64_t AllocationPeak::Peak() const {
    return peak.load();
}

} // namespace varnet::bench
