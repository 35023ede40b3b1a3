// The 18 exported entry points: argument checks, then the drive's own work
// inside RunDriveCall, which does the lookup, faults, timing, state keeping
// and error texts. Null pointers count as missing arguments; nothing here
// throws into the caller.
#include "mplib/mp_api.h"

#include "burn_in.h"
#include "identify_data.h"
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "report_writers.h"
#include "simulated_call.h"
#include "station_settings.h"

#include <cstring>
#include <optional>

#define VARNET_MP_EXPORT __attribute__((visibility("default")))

namespace {

using namespace varnet;
using namespace varnet::sim;

std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

std::filesystem::path ReportPath(const char* folder, const char* name) {
    return std::string(Text(folder)) + "Report_" + std::string(Text(name)) + "_1.txt";
}

std::string Field(std::string_view text, size_t size) {
    return std::string(text.substr(0, size));
}

// The same call with no drive behind it: the arguments did not make sense.
uint8_t RefuseCall(const CallBuffers& buffers, std::string_view message) {
    PutText(buffers.errorCode, kCodeBadArgument);
    PutText(buffers.errorMessage, message);
    return 0;
}

CallOutcome LoadSettings(const char* file, StationSettings& settings) {
    if (const Status loaded = LoadStationSettings(Text(file), settings); !loaded.ok())
        return CallOutcome::Failure(kCodeSettings, loaded.message());
    return {};
}

struct PretestArguments {
    const char* folder;
    const char* name;
    const char* settingsFile;
    std::optional<uint8_t> burnInPassed;
    std::optional<uint32_t> ceMask;
};

// The pretest init erases the drive and, by the station the settings file
// selects, either starts its burn-in (burn-in firmware, the serial number,
// the weak blocks failing) or produces it (production firmware, model and
// serial number, grown blocks retired when the pretest takes run-time or
// burn-in bad blocks into the table).
CallOutcome PretestInit(DriveWork& w, const PretestArguments& a) {
    StationSettings settings;
    if (CallOutcome loaded = LoadSettings(a.settingsFile, settings); !loaded.ok)
        return loaded;
    const uint32_t mask = a.ceMask.value_or(0);
    const DriveState before = w.state;
    const int callMs = w.callMs;

    DriveState& s = w.state;
    ++s.eraseCount;
    s.ceMask = mask;
    if (!Text(a.name).empty())
        s.serial = Field(a.name, kSerialChars);
    if (settings.IsBurnInStart()) {
        s.firmware = BurnInRevision(s.productionFirmware);
        const std::vector<BadBlock> failing =
            s.weakState == WeakState::Retired ? std::vector<BadBlock>() : s.weakBad;
        s.burnIn = RunDriveTest(s, settings, w.disk.temperature, failing);
        if (s.weakState == WeakState::Hidden)
            s.weakState = WeakState::Grown;
    } else {
        if (!settings.productionFirmware.empty())
            s.productionFirmware = Field(settings.productionFirmware, kFirmwareChars);
        s.firmware = s.productionFirmware;
        if (!settings.modelName.empty())
            s.model = Field(settings.modelName, kModelChars);
        if (a.burnInPassed)
            s.rdtMark = *a.burnInPassed;
        const bool tableTakesGrown = settings.pretestType == 2 || settings.pretestType == 3;
        if (tableTakesGrown && s.weakState == WeakState::Grown)
            s.weakState = WeakState::Retired;
    }

    CallOutcome outcome;
    outcome.reportPath = ReportPath(a.folder, a.name);
    const int station = settings.testStationSel;
    outcome.report = [before, station, mask, callMs](std::string_view failMessage) {
        return EraseReportText(before, station, mask, "Pretest", callMs, failMessage);
    };
    return outcome;
}

uint8_t Pretest(const char* entry, int drive, const PretestArguments& a, int32_t* progress, char* errorCode,
                char* errorMessage) {
    const CallBuffers buffers{progress, errorCode, errorMessage};
    if (!a.folder || !a.settingsFile)
        return RefuseCall(buffers, "No report folder or settings file given");
    return RunDriveCall(entry, drive, buffers, [&a](DriveWork& w) { return PretestInit(w, a); });
}

// The burn-in summary the production step copies from the port's limits file into the
// station file: done flag, later bad blocks (two bytes) and top temperature.
Status WriteBurnInInfoBlock(const std::filesystem::path& specFile, const BurnInRecord& run) {
    int top = 0;
    for (const TemperatureReading& t : run.readings) {
        for (const int c : t.celsius)
            top = std::max(top, c);
    }
    const size_t later = run.fails.size();
    IniDocument spec = IniDocument::Load(specFile);
    spec.SetHex("InfoBlock", "Byte_80", 1);
    spec.SetHex("InfoBlock", "Byte_81", static_cast<uint32_t>(later & 0xFF));
    spec.SetHex("InfoBlock", "Byte_82", static_cast<uint32_t>((later >> 8) & 0xFF));
    spec.SetHex("InfoBlock", "Byte_83", static_cast<uint32_t>(std::clamp(top, 0, 255)));
    return spec.Save();
}

// Reads the burn-in log out of the drive (or, at the ICT station, runs the
// drive's short built-in test) and judges it against the limits file's
// bad-block limits, as the drive's firmware does.
CallOutcome ReadBurnInLog(DriveWork& w, const char* folder, const char* name, const char* specFile,
                          bool badLogOnly) {
    StationSettings spec;
    if (CallOutcome loaded = LoadSettings(specFile, spec); !loaded.ok)
        return loaded;
    BurnInRecord run;
    if (!badLogOnly && spec.IsBuiltInTest()) {
        run = RunBuiltInTest(w.state, spec, w.disk.temperature);
    } else if (w.state.burnIn.done) {
        run = w.state.burnIn;
    } else {
        return CallOutcome::Failure(kCodeNoBurnIn, "No RDT log on the drive");
    }

    CallOutcome outcome;
    if (const std::string violation = BurnInSpecViolation(w.state, run, spec); !violation.empty())
        outcome = CallOutcome::Failure(kCodeOverSpec, violation);
    else if (!w.failing) {
        if (const Status written = WriteBurnInInfoBlock(Text(specFile), run); !written.ok())
            return CallOutcome::Failure(kCodeSettings, written.message());
    }
    outcome.reportPath = ReportPath(folder, name);
    outcome.report = [state = w.state, run, spec](std::string_view failMessage) {
        return RdtReportText(state, run, spec, failMessage);
    };
    return outcome;
}

uint8_t ReadLog(const char* entry, int drive, const char* folder, const char* name, const char* specFile,
                int32_t* progress, char* errorCode, char* errorMessage, bool badLogOnly) {
    const CallBuffers buffers{progress, errorCode, errorMessage};
    if (!folder || !specFile)
        return RefuseCall(buffers, "No report folder or spec file given");
    return RunDriveCall(entry, drive, buffers,
                        [&](DriveWork& w) { return ReadBurnInLog(w, folder, name, specFile, badLogOnly); });
}

// An image's revision is the first eight characters of its file name; a
// burn-in image ("RDT" in its name) runs as the burn-in revision.
void LoadFirmware(DriveState& s, const std::filesystem::path& image) {
    const std::string fileName = image.filename().string();
    const std::string revision = Field(fileName, kFirmwareChars);
    if (ContainsNoCase(fileName, "RDT")) {
        s.firmware = BurnInRevision(revision);
    } else {
        s.productionFirmware = revision;
        s.firmware = revision;
    }
}

} // namespace

extern "C" {

VARNET_MP_EXPORT BYTE GetIdentifyInfoBuf(BYTE drive, BYTE* buffer512) {
    if (!buffer512)
        return 0;
    return RunDriveCall("GetIdentifyInfoBuf", drive, {}, [buffer512](DriveWork& w) {
        if (!w.failing) {
            const auto data = IdentifyData(w.state);
            std::memcpy(buffer512, data.data(), data.size());
        }
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE DoPretestInit(int drive, int /*one*/, const char* folder, const char* name,
                                    const char* settingsFile, int32_t* progress, char* errorCode,
                                    char* errorMessage) {
    return Pretest("DoPretestInit", drive, {folder, name, settingsFile, std::nullopt, std::nullopt}, progress,
                   errorCode, errorMessage);
}

VARNET_MP_EXPORT BYTE DoPretestInit_RDTMARK(int drive, int /*one*/, const char* folder, const char* name,
                                            const char* settingsFile, int32_t* progress, char* errorCode,
                                            char* errorMessage, BYTE burnInPassed) {
    return Pretest("DoPretestInit_RDTMARK", drive, {folder, name, settingsFile, burnInPassed, std::nullopt},
                   progress, errorCode, errorMessage);
}

VARNET_MP_EXPORT BYTE DoPretestInit_RDTMARK_CEMASK(int drive, int /*one*/, const char* folder,
                                                   const char* name, const char* settingsFile,
                                                   int32_t* progress, char* errorCode, char* errorMessage,
                                                   BYTE burnInPassed, uint32_t ceMask) {
    return Pretest("DoPretestInit_RDTMARK_CEMASK", drive, {folder, name, settingsFile, burnInPassed, ceMask},
                   progress, errorCode, errorMessage);
}

VARNET_MP_EXPORT BYTE Read_RDT_Log(int drive, int /*one*/, const char* folder, const char* name,
                                   const char* settingsFile, int32_t* progress, char* errorCode,
                                   char* errorMessage) {
    return ReadLog("Read_RDT_Log", drive, folder, name, settingsFile, progress, errorCode, errorMessage,
                   false);
}

VARNET_MP_EXPORT BYTE Read_RDT_Bad_Log(int drive, int /*one*/, const char* folder, const char* name,
                                       const char* settingsFile, int32_t* progress, char* errorCode,
                                       char* errorMessage) {
    return ReadLog("Read_RDT_Bad_Log", drive, folder, name, settingsFile, progress, errorCode, errorMessage,
                   true);
}

VARNET_MP_EXPORT BYTE DoEraseAll(int drive, int /*one*/, const char* folder, const char* name,
                                 const char* settingsFile, int32_t* progress, char* errorCode,
                                 char* errorMessage) {
    const CallBuffers buffers{progress, errorCode, errorMessage};
    if (!folder || !settingsFile)
        return RefuseCall(buffers, "No report folder or settings file given");
    return RunDriveCall("DoEraseAll", drive, buffers, [&](DriveWork& w) {
        StationSettings settings;
        if (CallOutcome loaded = LoadSettings(settingsFile, settings); !loaded.ok)
            return loaded;
        ++w.state.eraseCount;
        CallOutcome outcome;
        outcome.reportPath = ReportPath(folder, name);
        outcome.report = [state = w.state, station = settings.testStationSel,
                          callMs = w.callMs](std::string_view failMessage) {
            return EraseReportText(state, station, 0, "Full", callMs, failMessage);
        };
        return outcome;
    });
}

VARNET_MP_EXPORT BYTE GetAllFlashID(int drive, const char* outputFile) {
    if (!outputFile)
        return 0;
    return RunDriveCall("GetAllFlashID", drive, {}, [outputFile](DriveWork& w) {
        CallOutcome outcome;
        outcome.reportPath = outputFile;
        outcome.report = [state = w.state](std::string_view) { return FlashIdListText(state); };
        return outcome;
    });
}

VARNET_MP_EXPORT BYTE ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) {
    if (!outputFile)
        return 0;
    return RunDriveCall("ScandBadBlock", drive, {}, [mpFirmwareName, outputFile](DriveWork& w) {
        CallOutcome outcome;
        outcome.reportPath = outputFile;
        outcome.report = [state = w.state, image = std::string(Text(mpFirmwareName)), callMs = w.callMs](
                             std::string_view) { return ScanReportText(state, image, callMs); };
        return outcome;
    });
}

VARNET_MP_EXPORT BYTE ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) {
    return RunDriveCall("ModifyDeviceInfo", drive, {}, [modelName, serialNumber](DriveWork& w) {
        if (!Text(modelName).empty())
            w.state.model = Field(modelName, kModelChars);
        if (!Text(serialNumber).empty())
            w.state.serial = Field(serialNumber, kSerialChars);
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE DownLoadMicroCode(int drive, const char* firmwareFile) {
    if (Text(firmwareFile).empty())
        return 0;
    return RunDriveCall("DownLoadMicroCode", drive, {}, [firmwareFile](DriveWork& w) {
        const FileRead image = ReadFile(firmwareFile);
        if (image.outcome != FileRead::kRead || image.bytes.empty())
            return CallOutcome::Failure(kCodeFirmware, Format("No firmware image %s", firmwareFile));
        LoadFirmware(w.state, firmwareFile);
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE SecurityErase(int drive, char* errorMessage) {
    return RunDriveCall("SecurityErase", drive, {nullptr, nullptr, errorMessage}, [](DriveWork& w) {
        ++w.state.secureEraseCount;
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE ResetSmart(int drive) {
    return RunDriveCall("ResetSmart", drive, {}, [](DriveWork& w) {
        ++w.state.smartResetCount;
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE WriteReadPH(int drive, int mode, BYTE* buffer, int length) {
    if (!buffer || (mode != 0 && mode != 1) || length < 1 || length > static_cast<int>(kHistoryBytes))
        return 0;
    const size_t bytes = static_cast<size_t>(length);
    return RunDriveCall("WriteReadPH", drive, {}, [=](DriveWork& w) {
        if (mode == 1)
            std::memcpy(w.state.history.data(), buffer, bytes);
        else if (!w.failing)
            std::memcpy(buffer, w.state.history.data(), bytes);
        return CallOutcome();
    });
}

VARNET_MP_EXPORT BYTE DoSearchSpecialPenDrive(void) {
    return 0;
}

VARNET_MP_EXPORT BYTE ModifyDeviceInfoEx(void) {
    return 0;
}

VARNET_MP_EXPORT BYTE DoScanWindows(void) {
    return 0;
}

VARNET_MP_EXPORT BYTE SetHPA_DefineCapacity(void) {
    return 0;
}

} // extern "C"
