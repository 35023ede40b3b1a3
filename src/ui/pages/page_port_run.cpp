#include "ui/pages/page_port_run.h"

#include "engine/main_page.h"
#include "stations/port_action.h"

namespace varnet::ui {

bool CopyFinishedPort(MainPage& page, int port, PortSnapshot& snapshot) {
    if (port < 0 || port >= kPortCount)
        return false;
    const auto p = static_cast<size_t>(port);
    if (page.portAction[p].load() != PORT_DONE || page.portResult[p].portRunning != 0)
        return false;
    snapshot.record = page.portResult[p];
    snapshot.list = std::make_shared<const BadBlockList>(page.badBlockList[p]);
    return true;
}

} // namespace varnet::ui
