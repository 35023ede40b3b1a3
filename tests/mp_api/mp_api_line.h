// The simulated MP_API.so as the program meets it: loaded with dlopen from the
// build tree, its 18 entry points resolved by name, called with a port's
// progress record and error buffers, in a station folder of its own that
// holds Sim/station.txt, Sim/attached.ini and FlashInfo.dat.
#pragma once

#include "mplib/mp_api.h"
#include "reader_port.h"
#include "reports/progress_record.h"
#include "reports/report_context.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::test {

std::filesystem::path BuiltMpApi();

struct MpApi {
#define VARNET_MP_API_FIELD(name) PFN_##name name = nullptr;
    MP_API_ENTRY_POINTS(VARNET_MP_API_FIELD)
#undef VARNET_MP_API_FIELD
};

// A port's buffers as the program hands them over; guard bytes behind each
// error buffer show an overrun.
struct PortBuffers {
    static constexpr size_t kGuard = 64;
    ProgressRecord record{};
    std::vector<char> code = std::vector<char>(MP_API_ERROR_BUFFER_SIZE + kGuard, '#');
    std::vector<char> message = std::vector<char>(MP_API_ERROR_BUFFER_SIZE + kGuard, '#');

    PortBuffers() { code[0] = message[0] = '\0'; }
    std::string Code() const { return code.data(); }
    std::string Message() const { return message.data(); }
    bool GuardsIntact() const;
};

// What identify data says, read the way the program reads it.
struct Identity {
    std::string serial;   // bytes 20-39, blanks kept
    std::string firmware; // bytes 46-53
    std::string model;    // bytes 54-93
    uint32_t sectorsLow = 0;
};
Identity ReadIdentity(const std::array<uint8_t, MP_API_IDENTIFY_SIZE>& data);

class MpApiLine : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sim/station.txt: one USB controller with the given drive lines
    // ("drive d1 at=xhci:1 ...") under it.
    void DescribeDrives(const std::vector<std::string>& driveLines);
    // Sim/attached.ini: kernel disk name -> drive name.
    void Attach(const std::map<std::string, std::string>& disks);
    // A settings file in the station folder, [General Info] TestStationSel
    // first, then the given lines.
    std::filesystem::path SettingsFile(std::string_view name, int testStationSel,
                                       std::string_view lines = "");
    // The report folder the stations hand over ("Log/", created).
    std::string Folder();

    bool EraseAll(int drive, const std::string& name, const std::filesystem::path& settings,
                  PortBuffers& port);
    bool Pretest(int drive, const std::string& name, const std::filesystem::path& settings,
                 PortBuffers& port);
    bool ReadLog(int drive, const std::string& name, const std::filesystem::path& spec, PortBuffers& port);
    bool ReadBadLog(int drive, const std::string& name, const std::filesystem::path& spec, PortBuffers& port);
    std::optional<Identity> Identify(int drive);
    std::filesystem::path ReportOf(const std::string& name) { return Folder() + "Report_" + name + "_1.txt"; }

    // A drive through the burn-in start: station 02 with the given lines.
    void StartBurnIn(int drive, const std::string& serial, std::string_view settingsLines = "");

    const std::filesystem::path& Dir() const { return dir_.path(); }

    MpApi api;

private:
    TempDir dir_;
    std::filesystem::path savedDir_;
    void* handle_ = nullptr;
};

// The program's readers over a report the library wrote.
ReaderPort ReadErase(const std::filesystem::path& file);
ReaderPort ReadScan(const std::filesystem::path& file);
ReaderPort ReadRdt(const std::filesystem::path& file, const ReportContext& context = {});

} // namespace varnet::test
