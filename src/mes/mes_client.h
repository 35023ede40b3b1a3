// The MES client: ./MES_DLL.so, bound the first time the "MES SYSTEM" dialog
// uses it, and the four calls with fresh 1000-byte result buffers and the
// success rule of each (a non-empty result buffer; the return value means
// nothing). A library that cannot be loaded makes every call fail, which the
// dialog shows as "Function Fail!!".
//
// Threads: the dialog's thread only.
#pragma once

#include "mes/mes_api.h"
#include "platform/dynamic_library.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

inline constexpr const char* kMesFunctionFail = "Function Fail!!";
inline constexpr const char* kMesEmptyBindInput = "Couldn't input empty Type or Value!";

class MesClient {
public:
    explicit MesClient(std::filesystem::path library);
    ~MesClient();
    MesClient(const MesClient&) = delete;
    MesClient& operator=(const MesClient&) = delete;

    // The text to show on success (A directly followed by B for the two route
    // calls, the buffer for the other two); nullopt on failure.
    std::optional<std::string> CheckRoute(std::string_view sn, std::string_view stationId);
    std::optional<std::string> Save2NextStation(std::string_view sn, std::string_view nextStation);
    std::optional<std::string> BindData(std::string_view sn, std::string_view dataType,
                                        std::string_view value);
    std::optional<std::string> QueryData(std::string_view sn, std::string_view dataType);

    // What the result field shows: the success text or "Function Fail!!".
    static std::string Shown(const std::optional<std::string>& result) {
        return result ? *result : kMesFunctionFail;
    }

private:
    bool Bind();

    std::filesystem::path library_;
    DynamicLibrary libraryHandle_;
    bool tried_ = false;
    PFN_CheckRoute checkRoute_ = nullptr;
    PFN_Save2NextStation save2Next_ = nullptr;
    PFN_BindData bindData_ = nullptr;
    PFN_QueryData queryData_ = nullptr;
};

} // namespace varnet
