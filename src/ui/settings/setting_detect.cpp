#include "ui/settings/setting_detect.h"

#include "engine/main_page.h"
#include "ui/gui_thread.h"

#include <QPointer>

#include <algorithm>
#include <memory>
#include <thread>
#include <utility>

namespace varnet::ui {
namespace {

// Why a readout cannot be had now. The query says no more than no when it
// refuses; asked at that very moment, the state that made it refuse still
// holds: another readout keeps the query busy (a refusal of any other kind
// has cleared it), a run keeps its port, the new placement found no drive,
// or the wait for the run start gave up because the program quits.
DetectAnswer::Outcome WhyRefused(const FlashIdQuery& query, MainPage& engine,
                                 const DetectQuitting& quitting) {
    if (quitting && quitting())
        return DetectAnswer::kQuitting;
    if (query.Busy())
        return DetectAnswer::kReadoutUnderWay;
    if (engine.PortRunsActive())
        return DetectAnswer::kPortsRunning;
    const auto& drives = engine.devices.portDriveNumber;
    if (std::none_of(drives.begin(), drives.end(), [](const auto& number) { return number != 0; }))
        return DetectAnswer::kNoDrive;
    // The run or readout that made it refuse ended on its own thread since.
    return DetectAnswer::kDrivesWereBusy;
}

} // namespace

void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, DetectQuitting quitting, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done) {
    const auto start = [query](FlashIdQuery::Done answered) { return query->Start(std::move(answered)); };
    ReadFlashIdsForDetect(query, engine, std::move(quitting), receiver, std::move(done), start);
}

void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, DetectQuitting quitting, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done, const StartFlashIdReadout& start) {
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
    if (!query || (quitting && quitting()))
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
    const auto refusal = std::make_shared<std::optional<DetectAnswer::Outcome>>();
    const std::optional<int> port =
        start([refusal, guiThread, answer, query, &engine, quitting](std::optional<FlashIdTable> ids) {
            if (std::this_thread::get_id() == guiThread && !ids) {
                *refusal = WhyRefused(*query, engine, quitting);
                return;
            }
            DetectAnswer a;
            a.outcome = DetectAnswer::kRead;
            if (ids)
                a.ids = *ids;
            answer(a);
        });
    if (!port && *refusal)
        tell(**refusal);
}

} // namespace varnet::ui
