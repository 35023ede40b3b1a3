// The step for each port action code: what a port's run does once the
// engine has counted it in. A step runs on one thread, sees its port only
// through its context, and leaves the port at PORT_READY or PORT_DONE.
#pragma once

#include "stations/port_context.h"

namespace varnet {

using PortStep = PortOutcome (*)(PortContext& context);

// The program uses DefaultPortSteps(); tests put in only what they drive.
struct PortSteps {
    PortStep identify = nullptr;
    PortStep eraseAll = nullptr;
    PortStep rdtStart = nullptr;
    PortStep rdtResult = nullptr;
    PortStep mp = nullptr;
    PortStep remp = nullptr;
    PortStep ict = nullptr;
    PortStep updateFw = nullptr;
    PortStep scanBad = nullptr;
};

PortSteps DefaultPortSteps();

} // namespace varnet
