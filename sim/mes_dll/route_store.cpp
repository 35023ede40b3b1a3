#include "route_store.h"

#include "store_text.h"

#include "platform/file_io.h"
#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

namespace varnet::sim {

namespace {

constexpr std::string_view kRouteSection = "Route";
constexpr std::string_view kRouteKey = "Stations";
constexpr std::string_view kStationKey = "Station";
constexpr std::string_view kDataPrefix = "Data.";

std::string DriveSection(std::string_view sn) {
    return "SN " + EncodeStoreText(sn);
}

std::string DataKey(std::string_view type) {
    return std::string(kDataPrefix) + EncodeStoreText(type);
}

std::vector<std::string> ParseRoute(std::optional<std::string_view> list) {
    std::vector<std::string> route;
    if (list) {
        size_t start = 0;
        while (start <= list->size()) {
            size_t end = list->find(',', start);
            if (end == std::string_view::npos)
                end = list->size();
            const std::string_view id = TrimBlanks(list->substr(start, end - start));
            if (!id.empty())
                route.emplace_back(id);
            start = end + 1;
        }
    }
    if (route.empty())
        route.assign(kDefaultRoute.begin(), kDefaultRoute.end());
    return route;
}

std::string JoinDefaultRoute() {
    std::string list;
    for (const std::string_view id : kDefaultRoute) {
        if (!list.empty())
            list += ',';
        list += id;
    }
    return list;
}

IniText ReadStore(const std::filesystem::path& file) {
    return IniText::Parse(ReadWholeFile(file).value_or(std::string()));
}

// A drive the store has not seen yet stands at the start of the route.
std::string CurrentStation(const IniText& text, std::string_view sn, const std::vector<std::string>& route) {
    if (const auto stored = text.Find(DriveSection(sn), kStationKey); stored && !stored->empty())
        return DecodeStoreText(*stored);
    return route.front();
}

// The INI layer writes into an existing folder only; the store's folder is
// ours to make.
Status UpdateStore(const std::filesystem::path& file, const std::function<bool(IniText&)>& change) {
    if (file.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
    }
    return UpdateIniFile(file, [&](IniText& text) {
        if (!text.Find(kRouteSection, kRouteKey))
            text.Set(kRouteSection, kRouteKey, JoinDefaultRoute());
        return change(text);
    });
}

} // namespace

RouteStore::RouteStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path RouteStore::DefaultFile() {
    return std::filesystem::path("Sim") / "mes_routes.ini";
}

std::vector<std::string> RouteStore::Route() const {
    return ParseRoute(ReadStore(file_).Find(kRouteSection, kRouteKey));
}

RouteReply RouteStore::CheckRoute(std::string_view sn, std::string_view station) const {
    if (sn.empty())
        return {"", "No S/N given"};
    const IniText text = ReadStore(file_);
    const std::string current = CurrentStation(text, sn, ParseRoute(text.Find(kRouteSection, kRouteKey)));
    if (station != current)
        return {"", "S/N " + std::string(sn) + " is at station " + current + ", not " + std::string(station)};
    return {"OK", ": S/N " + std::string(sn) + " is at station " + current};
}

RouteReply RouteStore::MoveToNext(std::string_view sn, std::string_view nextStation) {
    if (sn.empty())
        return {"", "No S/N given"};
    RouteReply reply;
    const Status status = UpdateStore(file_, [&](IniText& text) {
        const std::vector<std::string> route = ParseRoute(text.Find(kRouteSection, kRouteKey));
        const std::string current = CurrentStation(text, sn, route);
        const auto at = std::find(route.begin(), route.end(), current);
        const std::string prefix = "S/N " + std::string(sn) + " is at station " + current;
        if (at == route.end()) {
            reply.message = prefix + ", which is not on the route";
            return false;
        }
        if (at + 1 == route.end()) {
            reply.message = prefix + ", the last of its route";
            return false;
        }
        if (*(at + 1) != nextStation) {
            reply.message =
                prefix + "; its next station is " + *(at + 1) + ", not " + std::string(nextStation);
            return false;
        }
        if (!text.Set(DriveSection(sn), kStationKey, EncodeStoreText(nextStation))) {
            reply.message = "S/N " + std::string(sn) + " cannot be stored";
            return false;
        }
        reply = {"OK",
                 ": S/N " + std::string(sn) + " moved from " + current + " to " + std::string(nextStation)};
        return true;
    });
    if (!status.ok() && (!reply.status.empty() || reply.message.empty()))
        reply = {"", "The route store cannot be written: " + status.message()};
    return reply;
}

std::string RouteStore::Bind(std::string_view sn, std::string_view type, std::string_view value) {
    if (sn.empty() || type.empty() || value.empty())
        return {};
    const Status status = UpdateStore(file_, [&](IniText& text) {
        return text.Set(DriveSection(sn), DataKey(type), EncodeStoreText(value));
    });
    if (!status.ok())
        return {};
    return "OK: " + std::string(type) + " bound to S/N " + std::string(sn);
}

std::string RouteStore::Query(std::string_view sn, std::string_view type) const {
    if (sn.empty() || type.empty())
        return {};
    const IniText text = ReadStore(file_);
    const auto value = text.Find(DriveSection(sn), DataKey(type));
    return value ? DecodeStoreText(*value) : std::string();
}

} // namespace varnet::sim
