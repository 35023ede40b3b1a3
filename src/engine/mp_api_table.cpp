#include "engine/mp_api_table.h"

#include "platform/text_format.h"

#include <dlfcn.h>

namespace varnet {

Status LoadMpApi(const std::filesystem::path& library, MpApiTable& table) {
    table = MpApiTable{};
    // RTLD_LOCAL: a vendor library's own symbols must not resolve anyone
    // else's, nor ours theirs.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return Status::Error(Format("%s: %s", library.c_str(), why ? why : "cannot be loaded"));
    }
    MpApiTable loaded;
#define VARNET_MP_API_RESOLVE(name)                                                                          \
    loaded.name = reinterpret_cast<PFN_##name>(dlsym(handle, #name));                                        \
    if (!loaded.name) {                                                                                      \
        dlclose(handle);                                                                                     \
        return Status::Error(Format("%s: entry point %s is missing", library.c_str(), #name));              \
    }
    MP_API_ENTRY_POINTS(VARNET_MP_API_RESOLVE)
#undef VARNET_MP_API_RESOLVE
    table = loaded;
    return Status::Ok();
}

} // namespace varnet
