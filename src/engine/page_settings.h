// The page's settings a port run reads: the verdicts' font size and indent of
// the port layout, and the station file's name as the configuration list
// shows it.
//
// Threads: the interface thread publishes a new snapshot whenever the layout
// or the chosen station file changes; a run takes the snapshot once when it
// starts and keeps it to its end. A snapshot never changes once published, so
// a worker never reads a text the operator is changing at that moment (a
// hot-plug identify runs while the configuration list is still usable).
#pragma once

#include <memory>
#include <string>

namespace varnet {

struct PageSettings {
    int tileFontSize = 0;          // tenths of a point passed with every verdict
    std::string resultPrefix;      // before multi-line verdicts
    std::string configurationText; // the configuration list's current entry
};

using PageSettingsSnapshot = std::shared_ptr<const PageSettings>;

} // namespace varnet
