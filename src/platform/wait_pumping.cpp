#include "platform/wait_pumping.h"

#include <memory>

namespace varnet {
namespace {

struct PumpSetting {
    std::thread::id windowThread;
    EventPump pump;
};

std::mutex settingMutex;
std::shared_ptr<const PumpSetting> setting;

std::shared_ptr<const PumpSetting> CurrentSetting() {
    std::lock_guard lock(settingMutex);
    return setting;
}

// Short enough that the window never looks stuck, long enough not to spin.
constexpr std::chrono::milliseconds kPollInterval{2};

} // namespace

void InstallEventPump(std::thread::id windowThread, EventPump pump) {
    auto next = std::make_shared<const PumpSetting>(PumpSetting{windowThread, std::move(pump)});
    std::lock_guard lock(settingMutex);
    setting = std::move(next);
}

void RemoveEventPump() {
    std::lock_guard lock(settingMutex);
    setting.reset();
}

bool WaitPumpingMessages(std::timed_mutex& mutex) {
    const std::shared_ptr<const PumpSetting> current = CurrentSetting();
    if (!current || !current->pump || current->windowThread != std::this_thread::get_id()) {
        mutex.lock();
        return true;
    }
    // try_lock between rounds of events rather than try_lock_for: a plain
    // try is what every thread checker understands as taking the mutex.
    while (true) {
        if (!current->pump())
            return false;
        if (mutex.try_lock())
            return true;
        std::this_thread::sleep_for(kPollInterval);
    }
}

} // namespace varnet
