#include "ui/settings/setting_detect.h"

#include "engine/flash_id_query.h"
#include "engine/main_page.h"
#include "ui/gui_thread.h"

#include <QPointer>

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace varnet::ui {

void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, bool closing, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done) {
    auto answer = [receiver = QPointer<QObject>(receiver),
                   done = std::make_shared<std::function<void(const DetectAnswer&)>>(std::move(done))](
                      const DetectAnswer& a) {
        if (receiver)
            PostToGuiThread(receiver.data(), [done, a] { (*done)(a); });
    };
    const auto tell = [&](DetectAnswer::Outcome outcome) {
        DetectAnswer a;
        a.outcome = outcome;
        answer(a);
    };
    if (!query || closing)
        return tell(DetectAnswer::kQuitting);
    // The query refuses these too, but says no more than no: asked first,
    // the operator learns why.
    if (engine.PortRunsActive())
        return tell(DetectAnswer::kPortsRunning);
    if (query->Busy())
        return tell(DetectAnswer::kReadoutUnderWay);

    // The query answers a refusal on this thread before Start returns; its
    // worker answers on its own thread. A readout cut short on the worker
    // read no chip.
    const std::thread::id guiThread = std::this_thread::get_id();
    const auto refused = std::make_shared<bool>(false);
    const std::optional<int> port =
        query->Start([refused, guiThread, answer](std::optional<FlashIdTable> ids) {
            if (std::this_thread::get_id() == guiThread && !ids) {
                *refused = true;
                return;
            }
            DetectAnswer a;
            a.outcome = DetectAnswer::kRead;
            if (ids)
                a.ids = *ids;
            answer(a);
        });
    if (port || !*refused)
        return;
    // Refused after placing the drives again: with a drive on some port the
    // only reason left is the program quitting during the wait for the run
    // start.
    const auto& drives = engine.devices.portDriveNumber;
    const bool anyDrive =
        std::any_of(drives.begin(), drives.end(), [](const auto& number) { return number != 0; });
    tell(anyDrive ? DetectAnswer::kQuitting : DetectAnswer::kNoDrive);
}

} // namespace varnet::ui
