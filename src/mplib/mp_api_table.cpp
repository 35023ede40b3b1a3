#include "mplib/mp_api_table.h"

#include "platform/text_format.h"

#include "platform/dynamic_library.h"

namespace varnet {

Status LoadMpApi(const std::filesystem::path& library, MpApiTable& table) {
    table = MpApiTable{};
    DynamicLibrary loaded;
    if (Status opened = loaded.Open(library); !opened.ok())
        return opened;
    MpApiTable resolved;
#define VARNET_MP_API_RESOLVE(name)                                                                          \
    resolved.name = loaded.Get<PFN_##name>(#name);                                                           \
    if (!resolved.name)                                                                                      \
        return Status::Error(Format("%s: entry point %s is missing", library.c_str(), #name));
    MP_API_ENTRY_POINTS(VARNET_MP_API_RESOLVE)
#undef VARNET_MP_API_RESOLVE
    // The table's pointers are used for the life of the process.
    loaded.KeepLoaded();
    table = resolved;
    return Status::Ok();
}

} // namespace varnet
