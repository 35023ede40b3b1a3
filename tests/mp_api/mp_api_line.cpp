#include "mp_api_line.h"

#include "config/flash_database.h"
#include "config/flash_table.h"
#include "platform/file_io.h"
#include "reports/erase_report.h"
#include "reports/rdt_report.h"
#include "reports/scan_bad_report.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

namespace varnet::test {

namespace fs = std::filesystem;

fs::path BuiltMpApi() {
    const char* binaryDir = std::getenv("VARNET_BINARY_DIR");
    return binaryDir ? fs::path(binaryDir) / "sim" / "MP_API.so" : fs::path();
}

bool PortBuffers::GuardsIntact() const {
    const auto intact = [](const std::vector<char>& bytes) {
        return std::all_of(bytes.begin() + MP_API_ERROR_BUFFER_SIZE, bytes.end(),
                           [](char c) { return c == '#'; });
    };
    return intact(code) && intact(message);
}

Identity ReadIdentity(const std::array<uint8_t, MP_API_IDENTIFY_SIZE>& data) {
    const auto text = [&data](size_t first, size_t last) {
        std::string out;
        for (size_t i = first; i < last; i += 2) {
            out += static_cast<char>(data[i + 1]);
            out += static_cast<char>(data[i]);
        }
        return out;
    };
    Identity id;
    id.serial = text(20, 40);
    id.firmware = text(46, 54);
    id.model = text(54, 94);
    id.sectorsLow = static_cast<uint32_t>(data[200]) | static_cast<uint32_t>(data[201]) << 8 |
                    static_cast<uint32_t>(data[202]) << 16 | static_cast<uint32_t>(data[203]) << 24;
    return id;
}

void MpApiLine::SetUp() {
    const fs::path library = BuiltMpApi();
    if (library.empty())
        GTEST_SKIP() << "VARNET_BINARY_DIR is not set";
    handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
#define VARNET_MP_API_RESOLVE(name)                                                                          \
    api.name = reinterpret_cast<PFN_##name>(dlsym(handle_, #name));                                          \
    ASSERT_NE(api.name, nullptr) << #name;
    MP_API_ENTRY_POINTS(VARNET_MP_API_RESOLVE)
#undef VARNET_MP_API_RESOLVE

    // The library works in the station folder, as it does beside the program.
    savedDir_ = fs::current_path();
    fs::current_path(dir_.path());
    fs::create_directories("Sim");
    const FlashTable table = ParseFlashTable(ReadText(SourceDir() / "demo" / "flash_table.txt"));
    ASSERT_TRUE(table.ok());
    const std::vector<uint8_t> database = EncodeFlashDatabase(table.records);
    WriteText("FlashInfo.dat", std::string(database.begin(), database.end()));
}

void MpApiLine::TearDown() {
    if (!savedDir_.empty())
        fs::current_path(savedDir_);
    if (handle_)
        dlclose(handle_);
}

void MpApiLine::DescribeDrives(const std::vector<std::string>& driveLines) {
    std::string text = "usb-controller xhci pci=0000:00:14.0 ports=12\n";
    for (const std::string& line : driveLines)
        text += line + "\n";
    WriteText("Sim/station.txt", text);
}

void MpApiLine::Attach(const std::map<std::string, std::string>& disks) {
    std::string text = "[Disks]\r\n";
    for (const auto& [disk, drive] : disks)
        text += disk + "=" + drive + "\r\n";
    WriteText("Sim/attached.ini", text);
}

fs::path MpApiLine::SettingsFile(std::string_view name, int testStationSel, std::string_view lines) {
    const fs::path file = std::string(name);
    WriteText(file, "[General Info]\r\nTestStationSel=" + std::to_string(testStationSel) + "\r\n" +
                        std::string(lines));
    return file;
}

std::string MpApiLine::Folder() {
    fs::create_directories("Log");
    return "Log/";
}

bool MpApiLine::EraseAll(int drive, const std::string& name, const fs::path& settings, PortBuffers& port) {
    return api.DoEraseAll(drive, 1, Folder().c_str(), name.c_str(), settings.c_str(), &port.record.progress,
                          port.code.data(), port.message.data()) != 0;
}

bool MpApiLine::Pretest(int drive, const std::string& name, const fs::path& settings, PortBuffers& port) {
    return api.DoPretestInit(drive, 1, Folder().c_str(), name.c_str(), settings.c_str(),
                             &port.record.progress, port.code.data(), port.message.data()) != 0;
}

bool MpApiLine::ReadLog(int drive, const std::string& name, const fs::path& spec, PortBuffers& port) {
    return api.Read_RDT_Log(drive, 1, Folder().c_str(), name.c_str(), spec.c_str(), &port.record.progress,
                            port.code.data(), port.message.data()) != 0;
}

bool MpApiLine::ReadBadLog(int drive, const std::string& name, const fs::path& spec, PortBuffers& port) {
    return api.Read_RDT_Bad_Log(drive, 1, Folder().c_str(), name.c_str(), spec.c_str(), &port.record.progress,
                                port.code.data(), port.message.data()) != 0;
}

std::optional<Identity> MpApiLine::Identify(int drive) {
    std::array<uint8_t, MP_API_IDENTIFY_SIZE> data{};
    if (api.GetIdentifyInfoBuf(static_cast<BYTE>(drive), data.data()) == 0)
        return std::nullopt;
    return ReadIdentity(data);
}

void MpApiLine::StartBurnIn(int drive, const std::string& serial, std::string_view settingsLines) {
    PortBuffers port;
    ASSERT_TRUE(Pretest(drive, serial, SettingsFile("02_RDT.ini", 1, settingsLines), port)) << port.Message();
}

ReaderPort ReadErase(const fs::path& file) {
    ReaderPort port;
    ReadEraseReport(file, ReportContext{}, port.Report());
    return port;
}

ReaderPort ReadScan(const fs::path& file) {
    ReaderPort port;
    ReadScanBadReport(file, ReportContext{}, port.Report());
    return port;
}

ReaderPort ReadRdt(const fs::path& file, const ReportContext& context) {
    ReaderPort port;
    ReadRdtReport(file, context, port.Report());
    return port;
}

} // namespace varnet::test
