// What every station run reads of the program around it: the program and
// log folders, the interface language, the customer record, the flash
// database, the prescribed pauses and how verdicts are laid out on the tiles.
//
// A plain value, copied into each run when it starts, so a change of the
// page's layout on the interface thread never reaches a run half way. The
// flash database is borrowed: it lives as long as the program.
#pragma once

#include "config/customer_record.h"
#include "config/flash_database.h"

#include <chrono>
#include <filesystem>
#include <string>

namespace varnet {

// Pauses the system prescribes; the benchmark shortens them, nothing else.
struct RunPauses {
    std::chrono::milliseconds verdict{200};     // progress 100, then the verdict
    std::chrono::milliseconds startSpacing{20}; // between port starts when SN_Type is 0
};

struct StationEnv {
    std::filesystem::path appDir; // the program folder; ends with '/'
    std::string logDateFolder;    // the day folder of the log tree, fixed at start-up
    int uiLanguage = 0;
    CustomerRecord customerRecord;
    const FlashDatabase* flashDatabase = nullptr; // none: no flash is known
    RunPauses pauses;
    int tileFontSize = 0;     // tenths of a point passed with every verdict
    std::string resultPrefix; // before multi-line verdicts

    // English text, or the Chinese one when the interface language is 1.
    const char* Text(const char* english, const char* chinese) const {
        return uiLanguage == 1 ? chinese : english;
    }
};

} // namespace varnet
