#include "engine/flash_id_query.h"

#include "engine/main_page.h"
#include "platform/diagnostic_log.h"
#include "platform/wait_pumping.h"
#include "stations/station_steps.h"

#include <memory>
#include <mutex>

namespace varnet {

FlashIdQuery::~FlashIdQuery() {
    Wait();
}

void FlashIdQuery::Wait() {
    if (worker_.joinable())
        worker_.join();
}

std::optional<int> FlashIdQuery::Start(Done done) {
    if (busy_.exchange(true)) {
        done(std::nullopt);
        return std::nullopt;
    }
    const auto refuse = [this, &done]() -> std::optional<int> {
        busy_.store(false);
        done(std::nullopt);
        return std::nullopt;
    };
    // An identify or station run owns its port's code and record; moving the
    // drives to other ports under it, or writing a request into a busy port,
    // would give that port two writers.
    if (page_.PortRunsActive())
        return refuse();
    Wait();

    page_.ScanDevices(true);
    int port = -1;
    for (int p = 0; p < kPortCount && port < 0; ++p)
        if (page_.devices.portDriveNumber[static_cast<size_t>(p)] != 0)
            port = p;
    if (port < 0)
        return refuse();

    auto& code = page_.portAction[static_cast<size_t>(port)];
    const uint8_t before = code.exchange(PORT_FLASH_ID_QUERY);
    if (!WaitPumpingMessages(page_.runStartMutex)) {
        code.store(before);
        return refuse();
    }
    std::unique_lock started(page_.runStartMutex, std::adopt_lock);
    worker_ = std::thread([this, port, done = std::move(done)] {
        std::optional<FlashIdTable> ids;
        try {
            // Behind every port start already under way, like any port run.
            if (WaitPumpingMessages(page_.runStartMutex)) {
                page_.runStartMutex.unlock();
                const auto record = std::make_unique<ST_PORT_RESULT>();
                PortContext context = page_.PortContextFor(port);
                ReadAllFlashId(context, *record);
                ids = record->flashId;
            }
        } catch (...) {
            LogCaught(port + 1);
            ids.reset();
        }
        // A readout cut short (a drive that went away mid-call) gives no
        // answer, but the port must not stay busy, or no command would touch
        // it again.
        if (!ids)
            page_.portAction[static_cast<size_t>(port)].store(PORT_DONE);
        busy_.store(false);
        try {
            done(ids);
        } catch (...) {
            // The caller's answer handler is not this thread's to end.
            LogCaught(port + 1);
        }
    });
    return port;
}

} // namespace varnet
