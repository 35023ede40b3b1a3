// The device library bound at start-up: ./MP_API.so loaded with dlopen and
// its 18 entry points resolved by name. All 18 must resolve, even the four
// the program never calls, or the library is refused as a whole: a vendor
// build that lacks one is not the library the program was made for.
//
// The table is filled once, before any port runs, and only read afterwards;
// the library stays loaded for the life of the process.
#pragma once

#include "mplib/mp_api.h"
#include "platform/status.h"

#include <filesystem>

namespace varnet {

inline constexpr const char* kLoadDllFailMessage = "Load Dll Fail!";

struct MpApiTable {
#define VARNET_MP_API_FIELD(name) PFN_##name name = nullptr;
    MP_API_ENTRY_POINTS(VARNET_MP_API_FIELD)
#undef VARNET_MP_API_FIELD
};

// Loads the library and fills the table; on failure the table is left empty
// and the Status says what was missing (the operator sees only
// kLoadDllFailMessage).
Status LoadMpApi(const std::filesystem::path& library, MpApiTable& table);

} // namespace varnet
