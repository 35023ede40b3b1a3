#include "mes/mes_client.h"

#include <array>

namespace varnet {
namespace {

// A result buffer as the library expects it: 1000 bytes, empty on entry. The
// last byte stays zero whatever the library writes, so reading it back can
// never run past the buffer.
struct ResultBuffer {
    std::array<char, kMesResultSize + 1> bytes{};
    char* data() { return bytes.data(); }
    std::string Text() {
        bytes.back() = '\0';
        return std::string(bytes.data());
    }
};

} // namespace

MesClient::MesClient(std::filesystem::path library) : library_(std::move(library)) {}

MesClient::~MesClient() = default;

bool MesClient::Bind() {
    if (tried_)
        return libraryHandle_.IsOpen();
    tried_ = true;
    DynamicLibrary loaded;
    if (!loaded.Open(library_).ok())
        return false;
    checkRoute_ = loaded.Get<PFN_CheckRoute>("CheckRoute");
    save2Next_ = loaded.Get<PFN_Save2NextStation>("Save2NextStation");
    bindData_ = loaded.Get<PFN_BindData>("BindData");
    queryData_ = loaded.Get<PFN_QueryData>("QueryData");
    if (!checkRoute_ || !save2Next_ || !bindData_ || !queryData_) {
        checkRoute_ = nullptr;
        save2Next_ = nullptr;
        bindData_ = nullptr;
        queryData_ = nullptr;
        return false;
    }
    libraryHandle_ = std::move(loaded);
    return true;
}

std::optional<std::string> MesClient::CheckRoute(std::string_view sn, std::string_view stationId) {
    if (!Bind())
        return std::nullopt;
    ResultBuffer b, a;
    checkRoute_(std::string(sn).c_str(), std::string(stationId).c_str(), b.data(), a.data());
    std::string shown = a.Text();
    if (shown.empty())
        return std::nullopt;
    return shown + b.Text();
}

std::optional<std::string> MesClient::Save2NextStation(std::string_view sn, std::string_view nextStation) {
    if (!Bind())
        return std::nullopt;
    ResultBuffer b, a;
    save2Next_(std::string(sn).c_str(), std::string(nextStation).c_str(), b.data(), a.data());
    std::string shown = a.Text();
    if (shown.empty())
        return std::nullopt;
    return shown + b.Text();
}

std::optional<std::string> MesClient::BindData(std::string_view sn, std::string_view dataType,
                                               std::string_view value) {
    if (!Bind())
        return std::nullopt;
    ResultBuffer result;
    bindData_(std::string(sn).c_str(), std::string(dataType).c_str(), std::string(value).c_str(),
              result.data());
    std::string shown = result.Text();
    return shown.empty() ? std::nullopt : std::optional(shown);
}

std::optional<std::string> MesClient::QueryData(std::string_view sn, std::string_view dataType) {
    if (!Bind())
        return std::nullopt;
    ResultBuffer result;
    queryData_("SN", std::string(sn).c_str(), std::string(dataType).c_str(), result.data());
    std::string shown = result.Text();
    return shown.empty() ? std::nullopt : std::optional(shown);
}

} // namespace varnet
