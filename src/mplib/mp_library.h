// The device library as the stations call it. Stations talk to this
// interface, not to the loaded table, so their every verdict branch can be
// driven by a test double; LoadedMpLibrary forwards to the real (or
// simulated) ./MP_API.so.
//
// Thread safety: calls for different drives run at the same time on their
// port workers; calls for one drive never overlap.
#pragma once

#include "mplib/library_fault.h"
#include "mplib/mp_api.h"
#include "mplib/mp_api_table.h"

#include <cstdint>
#include <optional>

namespace varnet {

class MpLibrary {
public:
    virtual ~MpLibrary() = default;

    // The common shape of the eight-argument operations.
    struct Call {
        int drive;
        const char* folder;
        const char* name;
        const char* settingsFile;
        int32_t* progress;
        char* errorCode;    // 512 bytes
        char* errorMessage; // 512 bytes
    };

    virtual bool GetIdentifyInfoBuf(int drive, uint8_t* buffer512) = 0;
    virtual bool DoPretestInit(const Call& call) = 0;
    virtual bool DoPretestInitRdtMark(const Call& call, bool burnInPassed) = 0;
    virtual bool DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) = 0;
    virtual bool ReadRdtLog(const Call& call) = 0;
    virtual bool ReadRdtBadLog(const Call& call) = 0;
    virtual bool DoEraseAll(const Call& call) = 0;
    virtual bool GetAllFlashID(int drive, const char* outputFile) = 0;
    virtual bool ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) = 0;
    virtual bool ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) = 0;
    virtual bool DownLoadMicroCode(int drive, const char* firmwareFile) = 0;
    virtual bool SecurityErase(int drive, char* errorMessage) = 0;
    virtual bool ResetSmart(int drive) = 0;
    virtual bool WriteReadPH(int drive, int mode, uint8_t* buffer, int length) = 0;

    // The fault the last call ended in, if its process failed it (a library
    // in the program's own process has none); cleared by taking it.
    virtual std::optional<LibraryFault> TakeFault() { return std::nullopt; }
    // The operator's Refresh: a port refused after repeated faults is
    // given another chance. Not while the port runs.
    virtual void Reset() {}
    // Ends a call in progress from another thread (the program is closing
    // and the call has run too long); the call then ends in a fault.
    virtual void Interrupt() {}
};

class LoadedMpLibrary final : public MpLibrary {
public:
    explicit LoadedMpLibrary(const MpApiTable& table) : api_(table) {}

    bool GetIdentifyInfoBuf(int drive, uint8_t* buffer512) override;
    bool DoPretestInit(const Call& call) override;
    bool DoPretestInitRdtMark(const Call& call, bool burnInPassed) override;
    bool DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) override;
    bool ReadRdtLog(const Call& call) override;
    bool ReadRdtBadLog(const Call& call) override;
    bool DoEraseAll(const Call& call) override;
    bool GetAllFlashID(int drive, const char* outputFile) override;
    bool ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) override;
    bool ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) override;
    bool DownLoadMicroCode(int drive, const char* firmwareFile) override;
    bool SecurityErase(int drive, char* errorMessage) override;
    bool ResetSmart(int drive) override;
    bool WriteReadPH(int drive, int mode, uint8_t* buffer, int length) override;

private:
    MpApiTable api_;
};

} // namespace varnet
