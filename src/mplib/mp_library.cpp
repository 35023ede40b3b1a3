#include "mplib/mp_library.h"

namespace varnet {

// The library addresses a drive in GetIdentifyInfoBuf by the low byte of
// its number; everywhere else by the number itself.
bool LoadedMpLibrary::GetIdentifyInfoBuf(int drive, uint8_t* buffer512) {
    return api_.GetIdentifyInfoBuf(static_cast<BYTE>(drive), buffer512) != 0;
}

bool LoadedMpLibrary::DoPretestInit(const Call& c) {
    return api_.DoPretestInit(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress, c.errorCode,
                              c.errorMessage) != 0;
}

bool LoadedMpLibrary::DoPretestInitRdtMark(const Call& c, bool burnInPassed) {
    return api_.DoPretestInit_RDTMARK(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress, c.errorCode,
                                      c.errorMessage, burnInPassed ? 1 : 0) != 0;
}

bool LoadedMpLibrary::DoPretestInitRdtMarkCeMask(const Call& c, bool burnInPassed, uint32_t ceMask) {
    return api_.DoPretestInit_RDTMARK_CEMASK(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress,
                                             c.errorCode, c.errorMessage, burnInPassed ? 1 : 0, ceMask) != 0;
}

bool LoadedMpLibrary::ReadRdtLog(const Call& c) {
    return api_.Read_RDT_Log(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress, c.errorCode,
                             c.errorMessage) != 0;
}

bool LoadedMpLibrary::ReadRdtBadLog(const Call& c) {
    return api_.Read_RDT_Bad_Log(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress, c.errorCode,
                                 c.errorMessage) != 0;
}

bool LoadedMpLibrary::DoEraseAll(const Call& c) {
    return api_.DoEraseAll(c.drive, 1, c.folder, c.name, c.settingsFile, c.progress, c.errorCode,
                           c.errorMessage) != 0;
}

bool LoadedMpLibrary::GetAllFlashID(int drive, const char* outputFile) {
    return api_.GetAllFlashID(drive, outputFile) != 0;
}

bool LoadedMpLibrary::ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) {
    return api_.ScandBadBlock(drive, mpFirmwareName, outputFile) != 0;
}

bool LoadedMpLibrary::ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) {
    return api_.ModifyDeviceInfo(drive, modelName, serialNumber) != 0;
}

bool LoadedMpLibrary::DownLoadMicroCode(int drive, const char* firmwareFile) {
    return api_.DownLoadMicroCode(drive, firmwareFile) != 0;
}

bool LoadedMpLibrary::SecurityErase(int drive, char* errorMessage) {
    return api_.SecurityErase(drive, errorMessage) != 0;
}

bool LoadedMpLibrary::ResetSmart(int drive) {
    return api_.ResetSmart(drive) != 0;
}

bool LoadedMpLibrary::WriteReadPH(int drive, int mode, uint8_t* buffer, int length) {
    return api_.WriteReadPH(drive, mode, buffer, length) != 0;
}

} // namespace varnet
