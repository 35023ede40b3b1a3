// Detect's flash-ID readout for the Configuration page: the drives are
// placed on their ports again the way Refresh places them for the current
// map type, and the first port that has a drive is read on a worker of its
// own, so the settings editor can pick the flash configuration from what is
// really soldered on the drive.
//
// Contract:
//  - Start() runs on the interface thread and calls done exactly once.
//  - It refuses, calling done(nullopt) before it returns, while a port run
//    or another readout is going, when no port has a drive after the new
//    placement, and when the program quits during the wait for
//    runStartMutex (the port then keeps the code it had).
//  - Otherwise the port's code becomes PORT_FLASH_ID_QUERY, the worker takes
//    and releases runStartMutex as every port start does, reads the port
//    into a record of its own (ReadAllFlashId) and calls done with that
//    record's flash-ID table on the worker thread. The port's own result
//    record and tile text stay as identify left them; the port ends at
//    PORT_DONE. A library call that fails gives a table with no IDs in it.
//  - The destructor waits for a readout still going; the page must outlive
//    this object.
#pragma once

#include "reports/port_result.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

namespace varnet {

class MainPage;

using FlashIdTable = std::array<std::array<uint8_t, 8>, kMaxFlashIds>;

class FlashIdQuery {
public:
    using Done = std::function<void(std::optional<FlashIdTable>)>;

    explicit FlashIdQuery(MainPage& page) : page_(page) {}
    ~FlashIdQuery();
    FlashIdQuery(const FlashIdQuery&) = delete;
    FlashIdQuery& operator=(const FlashIdQuery&) = delete;

    // The port being read (0-23), or nullopt when refused.
    std::optional<int> Start(Done done);
    // True from Start until the answer is ready, so what done does may
    // already start the next readout.
    bool Busy() const { return busy_.load(); }
    // Blocks until the worker of the last readout has ended.
    void Wait();

private:
    MainPage& page_;
    std::atomic<bool> busy_{false};
    std::thread worker_;
};

} // namespace varnet
