// The leading, plain part of a port's tile record: the progress value the
// device library raises during a call (through a pointer to `progress`), the
// progress of reading a report back, and the port number. The other tile
// fields (controls, tips) belong to the screens.
//
// `progress` and `readProgress` are written and read from different threads
// (the library, the port worker, the result pages' animation): access them
// with std::atomic_ref, as SetProgressValue/GetProgressValue do.
#pragma once

#include <atomic>
#include <cstdint>

namespace varnet {

struct ProgressRecord {
    alignas(std::atomic_ref<int32_t>::required_alignment) int32_t progress;
    alignas(std::atomic_ref<int32_t>::required_alignment) int32_t readProgress;
    int32_t number;
};

inline void SetProgressValue(int32_t& field, int32_t value) {
    std::atomic_ref<int32_t>(field).store(value, std::memory_order_relaxed);
}

inline int32_t GetProgressValue(int32_t& field) {
    return std::atomic_ref<int32_t>(field).load(std::memory_order_relaxed);
}

} // namespace varnet
