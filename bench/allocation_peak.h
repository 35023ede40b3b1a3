// The most heap memory a piece of work held at once, for benchmarks that
// report memory beside time. The benchmark binary replaces the global
// operator new and delete to count the bytes allocated and freed while a
// measurement is open; outside one they only pass through to malloc.
//
// One measurement at a time, on the thread that does the work: allocations
// of other threads during it count too. Memory freed during the measurement
// that was allocated before it lowers the figure.
#pragma once

#include <cstdint>

namespace varnet::bench {

class AllocationPeak {
public:
    AllocationPeak();
    ~AllocationPeak();
    AllocationPeak(const AllocationPeak&) = delete;
    AllocationPeak& operator=(const AllocationPeak&) = delete;

    // Bytes held at the highest point since the measurement began, beyond
    // what was held when it began.
    int64_t Peak() const;
};

} // namespace varnet::bench
