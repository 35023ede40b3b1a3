// INI text as it may come from any file the station is given: parsing, every
// lookup and a change must never crash, and writing a key must make it
// readable again with the value written.
#include "platform/ini_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    varnet::IniText ini = varnet::IniText::Parse(bytes);
    if (ini.Serialize() != bytes)
        std::abort(); // untouched files must come back byte for byte
    for (const std::string& key : ini.KeyNames("General Info"))
        (void)ini.Find("General Info", key);
    // The one-pass lookup answers exactly as the parsed text does.
    for (const auto& [section, key] : {std::pair<const char*, const char*>{"Options", "DDRSize"},
                                       {"General Info", "TestStationSel"},
                                       {"General Info", "ModelName"}}) {
        if (varnet::IniText::FindIn(bytes, section, key) != ini.Find(section, key))
            std::abort();
    }
    if (ini.Set("Options", "DDRSize", "32")) {
        const auto value = ini.Find("Options", "DDRSize");
        if (!value || *value != "32")
            std::abort();
        varnet::IniText again = varnet::IniText::Parse(ini.Serialize());
        const auto reread = again.Find("Options", "DDRSize");
        if (!reread || *reread != "32")
            std::abort();
    }
    ini.RemoveKey("Options", "DDRSize");
    if (ini.Find("Options", "DDRSize"))
        std::abort();
    ini.RemoveSection("General Info");
    if (ini.HasSection("General Info"))
        std::abort();
    return 0;
}
