// The four exported entry points of the simulated MES_DLL.so, over the route
// store of the working folder. Callers hand over raw C buffers, so this layer
// is where null pointers become empty input, texts are cut to what a result
// buffer holds, and no exception crosses into the caller.
#include "mes/mes_api.h"
#include "route_store.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#define VARNET_MES_EXPORT __attribute__((visibility("default")))

namespace {

using varnet::sim::RouteReply;
using varnet::sim::RouteStore;

constexpr size_t kTextMax = MES_RESULT_SIZE - 1;

std::string_view Input(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

void Put(char* buffer, std::string_view text) {
    if (!buffer)
        return;
    const size_t length = std::min(text.size(), kTextMax);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

RouteStore Store() {
    return RouteStore(RouteStore::DefaultFile());
}

std::string ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return std::string("MES simulation error: ") + e.what();
    } catch (...) {
        return "MES simulation error";
    }
}

template <typename Call> int32_t AnswerRoute(char* resultB, char* resultA, Call call) {
    RouteReply reply;
    try {
        reply = call();
    } catch (...) {
        reply = {"", ErrorText(std::current_exception())};
    }
    Put(resultB, reply.message);
    Put(resultA, reply.status);
    return reply.status.empty() ? 0 : 1;
}

template <typename Call> int32_t Answer(char* result, Call call) {
    std::string text;
    try {
        text = call();
    } catch (...) {
        // The caller reads failure from an empty buffer, so the reason has
        // nowhere to go.
        text.clear();
    }
    Put(result, text);
    return text.empty() ? 0 : 1;
}

} // namespace

extern "C" {

VARNET_MES_EXPORT int32_t CheckRoute(const char* sn, const char* stationId, char* resultB, char* resultA) {
    return AnswerRoute(resultB, resultA, [&] { return Store().CheckRoute(Input(sn), Input(stationId)); });
}

VARNET_MES_EXPORT int32_t Save2NextStation(const char* sn, const char* nextStation, char* resultB,
                                           char* resultA) {
    return AnswerRoute(resultB, resultA, [&] { return Store().MoveToNext(Input(sn), Input(nextStation)); });
}

VARNET_MES_EXPORT int32_t BindData(const char* sn, const char* dataType, const char* value, char* result) {
    return Answer(result, [&] { return Store().Bind(Input(sn), Input(dataType), Input(value)); });
}

VARNET_MES_EXPORT int32_t QueryData(const char* keyKind, const char* sn, const char* dataType, char* result) {
    return Answer(result, [&]() -> std::string {
        // Serial numbers are the only kind of key this store knows.
        if (Input(keyKind) != "SN")
            return {};
        return Store().Query(Input(sn), Input(dataType));
    });
}

} // extern "C"
