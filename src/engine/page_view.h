// The main page as the engine sees it: the enabled state of its controls, the
// run clock, the three run timers, message boxes and the serial-number
// display. The window implements it with widgets; the headless runner and
// the tests with plain records.
//
// Calls come from the interface thread and from port workers (timers are
// started by the first timed run, controls set by the last run to end); an
// implementation hands them to its own thread in order.
#pragma once

#include "engine/current_setting.h"
#include "engine/port_layout.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnet {

enum class PageControl {
    Start,
    Setting,
    Refresh,
    LockCurrent,
    PortCount,
    Configuration,
    Station,
    Map,
    SlcBuffer,
    English,
    Chinese,
};

// The page's timers, by the numbers the system gives them.
enum PageTimer : int {
    kAnimationTimer = 2018, // 500 ms, "Running." dots
    kClockTimer = 2019,     // 1000 ms, run clock
    kProgressTimer = 2020,  // 300 ms, progress bars
};

class PageView {
public:
    virtual ~PageView() = default;
    virtual void EnableControl(PageControl control, bool enabled) = 0;
    virtual bool IsLockCurrentChecked() = 0;
    virtual void SetLockCurrentChecked(bool checked) = 0;
    virtual void SetRunClockText(std::string_view text) = 0;
    // One-shot timers: the handler re-arms while ports run.
    virtual void StartTimer(int id, int milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    // A modal message with an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
    // A station wrote the next serial number back to the station file; the
    // page re-reads it on its own thread.
    virtual void PostSerialNumberChanged() = 0;
    // The "Serial Number:" field of the current-setting box.
    virtual void ShowSerialNumber(std::string_view serialNumber) = 0;

    // What only a window shows; a view without a screen ignores them.
    virtual void ShowLayout(const PortLayout& /*layout*/, uint8_t /*mapType*/) {}
    virtual void ShowCurrentSetting(const CurrentSetting& /*setting*/, int /*stationIndex*/) {}
    virtual void ShowStationConfigs(const std::vector<std::string>& /*files*/, int /*selected*/) {}
};

} // namespace varnet
