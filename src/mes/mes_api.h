// The MES client library's C contract: the four entry points any build of
// ./MES_DLL.so must export with C linkage, whether the line's own client or the
// simulated station's route store.
//
// Contract:
//  - every text is 8-bit and zero-terminated;
//  - each result buffer is MES_RESULT_SIZE (1000) bytes and empty on entry; the
//    library writes at most 999 characters and a zero into it;
//  - success is read from a result buffer, never from the return value:
//    CheckRoute and Save2NextStation succeed when resultA is not empty (resultB
//    holds a message meant to be shown right after resultA), BindData and
//    QueryData when result is not empty;
//  - QueryData's first argument is the kind of key, "SN" for a serial number;
//  - calls come from one thread at a time.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t CheckRoute(const char* sn, const char* stationId, char* resultB, char* resultA);
int32_t Save2NextStation(const char* sn, const char* nextStation, char* resultB, char* resultA);
int32_t BindData(const char* sn, const char* dataType, const char* value, char* result);
int32_t QueryData(const char* keyKind, const char* sn, const char* dataType, char* result);

typedef int32_t (*PFN_CheckRoute)(const char* sn, const char* stationId, char* resultB, char* resultA);
typedef int32_t (*PFN_Save2NextStation)(const char* sn, const char* nextStation, char* resultB,
                                        char* resultA);
typedef int32_t (*PFN_BindData)(const char* sn, const char* dataType, const char* value, char* result);
typedef int32_t (*PFN_QueryData)(const char* keyKind, const char* sn, const char* dataType, char* result);

// The four entry points in a fixed order, as X(name) for each (see
// MP_API_ENTRY_POINTS).
#define MES_API_ENTRY_POINTS(X)                                                                              \
    X(CheckRoute)                                                                                            \
    X(Save2NextStation)                                                                                      \
    X(BindData)                                                                                              \
    X(QueryData)

#define MES_API_ENTRY_POINT_COUNT 4

#define MES_RESULT_SIZE 1000

#ifdef __cplusplus
} // extern "C"

#include <array>
#include <cstddef>
#include <string_view>

namespace varnet {

inline constexpr size_t kMesResultSize = MES_RESULT_SIZE;

// The entry point names in MES_API_ENTRY_POINTS order.
inline constexpr std::array<std::string_view, MES_API_ENTRY_POINT_COUNT> kMesApiEntryPointNames = {
#define VARNET_MES_API_NAME(name) #name,
    MES_API_ENTRY_POINTS(VARNET_MES_API_NAME)
#undef VARNET_MES_API_NAME
};

} // namespace varnet
#endif
