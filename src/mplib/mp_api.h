// The device library's C contract: the 18 entry points any build of ./MP_API.so
// must export with C linkage, whether the vendor's or the simulated station's.
// The program resolves all of them by name at start-up and refuses to run when
// one is missing, so even the four it never calls must be there.
//
// Contract:
//  - every entry point returns nonzero for success;
//  - `drive` is the port's drive number: N >= 1 names /dev/sd... with index
//    N - 1 (sda = 1, sdb = 2, ..., sdaa = 27); 0 means no drive;
//  - calls for different drives may run at the same time on different threads;
//    two calls for one drive never overlap, so per-drive state needs no lock
//    of its own;
//  - the eight-argument shape (drive, 1, folder, name, settings file, progress,
//    error code, error message): `folder` ends with a separator, `progress`
//    points at the first field of the port's progress record, which the library
//    may raise towards 100 while it works (atomic 32-bit stores: the program
//    reads it from another thread), and the two error buffers are the port's
//    512-byte errorCode and errorMessage, each to be left zero-terminated.
//    Such an operation writes its report to folder + "Report_" + name + "_1.txt";
//  - GetIdentifyInfoBuf fills 512 bytes of ATA identify data; WriteReadPH moves
//    `length` (4096) bytes of the drive's history area: mode 0 reads it into
//    `buffer`, mode 1 writes it from there;
//  - SecurityErase's buffer is the port's 512-byte errorMessage.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char BYTE;

BYTE GetIdentifyInfoBuf(BYTE drive, BYTE* buffer512);
BYTE DoPretestInit(int drive, int one, const char* folder, const char* name, const char* settingsFile,
                   int32_t* progress, char* errorCode, char* errorMessage);
BYTE DoPretestInit_RDTMARK(int drive, int one, const char* folder, const char* name, const char* settingsFile,
                           int32_t* progress, char* errorCode, char* errorMessage, BYTE burnInPassed);
BYTE DoPretestInit_RDTMARK_CEMASK(int drive, int one, const char* folder, const char* name,
                                  const char* settingsFile, int32_t* progress, char* errorCode,
                                  char* errorMessage, BYTE burnInPassed, uint32_t ceMask);
BYTE Read_RDT_Log(int drive, int one, const char* folder, const char* name, const char* settingsFile,
                  int32_t* progress, char* errorCode, char* errorMessage);
BYTE Read_RDT_Bad_Log(int drive, int one, const char* folder, const char* name, const char* settingsFile,
                      int32_t* progress, char* errorCode, char* errorMessage);
BYTE DoEraseAll(int drive, int one, const char* folder, const char* name, const char* settingsFile,
                int32_t* progress, char* errorCode, char* errorMessage);
BYTE GetAllFlashID(int drive, const char* outputFile);
BYTE ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile);
BYTE ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber);
BYTE DownLoadMicroCode(int drive, const char* firmwareFile);
BYTE SecurityErase(int drive, char* errorMessage);
BYTE ResetSmart(int drive);
BYTE WriteReadPH(int drive, int mode, BYTE* buffer, int length);
// Part of the contract although the program never calls them.
BYTE DoSearchSpecialPenDrive(void);
BYTE ModifyDeviceInfoEx(void);
BYTE DoScanWindows(void);
BYTE SetHPA_DefineCapacity(void);

typedef BYTE (*PFN_GetIdentifyInfoBuf)(BYTE drive, BYTE* buffer512);
typedef BYTE (*PFN_DoPretestInit)(int drive, int one, const char* folder, const char* name,
                                  const char* settingsFile, int32_t* progress, char* errorCode,
                                  char* errorMessage);
typedef BYTE (*PFN_DoPretestInit_RDTMARK)(int drive, int one, const char* folder, const char* name,
                                          const char* settingsFile, int32_t* progress, char* errorCode,
                                          char* errorMessage, BYTE burnInPassed);
typedef BYTE (*PFN_DoPretestInit_RDTMARK_CEMASK)(int drive, int one, const char* folder, const char* name,
                                                 const char* settingsFile, int32_t* progress, char* errorCode,
                                                 char* errorMessage, BYTE burnInPassed, uint32_t ceMask);
typedef BYTE (*PFN_Read_RDT_Log)(int drive, int one, const char* folder, const char* name,
                                 const char* settingsFile, int32_t* progress, char* errorCode,
                                 char* errorMessage);
typedef BYTE (*PFN_Read_RDT_Bad_Log)(int drive, int one, const char* folder, const char* name,
                                     const char* settingsFile, int32_t* progress, char* errorCode,
                                     char* errorMessage);
typedef BYTE (*PFN_DoEraseAll)(int drive, int one, const char* folder, const char* name,
                               const char* settingsFile, int32_t* progress, char* errorCode,
                               char* errorMessage);
typedef BYTE (*PFN_GetAllFlashID)(int drive, const char* outputFile);
typedef BYTE (*PFN_ScandBadBlock)(int drive, const char* mpFirmwareName, const char* outputFile);
typedef BYTE (*PFN_ModifyDeviceInfo)(int drive, const char* modelName, const char* serialNumber);
typedef BYTE (*PFN_DownLoadMicroCode)(int drive, const char* firmwareFile);
typedef BYTE (*PFN_SecurityErase)(int drive, char* errorMessage);
typedef BYTE (*PFN_ResetSmart)(int drive);
typedef BYTE (*PFN_WriteReadPH)(int drive, int mode, BYTE* buffer, int length);
typedef BYTE (*PFN_DoSearchSpecialPenDrive)(void);
typedef BYTE (*PFN_ModifyDeviceInfoEx)(void);
typedef BYTE (*PFN_DoScanWindows)(void);
typedef BYTE (*PFN_SetHPA_DefineCapacity)(void);

// The 18 entry points in a fixed order, as X(name) for each: a loader declares
// `PFN_##name name;` fields and resolves #name with the same list, so adding an
// entry point cannot leave a field unresolved.
#define MP_API_ENTRY_POINTS(X)                                                                               \
    X(GetIdentifyInfoBuf)                                                                                    \
    X(DoPretestInit)                                                                                         \
    X(DoPretestInit_RDTMARK)                                                                                 \
    X(DoPretestInit_RDTMARK_CEMASK)                                                                          \
    X(Read_RDT_Log)                                                                                          \
    X(Read_RDT_Bad_Log)                                                                                      \
    X(GetAllFlashID)                                                                                         \
    X(ScandBadBlock)                                                                                         \
    X(DoEraseAll)                                                                                            \
    X(ModifyDeviceInfo)                                                                                      \
    X(DownLoadMicroCode)                                                                                     \
    X(SecurityErase)                                                                                         \
    X(ResetSmart)                                                                                            \
    X(WriteReadPH)                                                                                           \
    X(DoSearchSpecialPenDrive)                                                                               \
    X(ModifyDeviceInfoEx)                                                                                    \
    X(DoScanWindows)                                                                                         \
    X(SetHPA_DefineCapacity)

#define MP_API_ENTRY_POINT_COUNT 18

// Sizes of the buffers the program hands over.
#define MP_API_IDENTIFY_SIZE 512
#define MP_API_ERROR_BUFFER_SIZE 512
#define MP_API_HISTORY_SIZE 4096

#ifdef __cplusplus
} // extern "C"

#include <array>
#include <string_view>

namespace varnet {

// The entry point names in MP_API_ENTRY_POINTS order.
inline constexpr std::array<std::string_view, MP_API_ENTRY_POINT_COUNT> kMpApiEntryPointNames = {
#define VARNET_MP_API_NAME(name) #name,
    MP_API_ENTRY_POINTS(VARNET_MP_API_NAME)
#undef VARNET_MP_API_NAME
};

} // namespace varnet
#endif
