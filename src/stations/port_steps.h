// The program's step for every port action code.
#pragma once

#include "engine/main_page.h"

namespace varnet {

PortSteps DefaultPortSteps();

} // namespace varnet
