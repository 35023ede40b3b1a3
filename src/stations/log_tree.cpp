#include "stations/log_tree.h"

#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace fs = std::filesystem;

namespace varnet {
namespace {

constexpr std::string_view kStationFolders[] = {
    "01_EraseAll", "02_RDT", "03_RDTResult", "04_MP", "05_ReMP", "06_ICT",
};
constexpr int kScanBadStation = 7;

} // namespace

fs::path LogRoot(const fs::path& appDir) {
    return appDir / "Log" / "";
}

fs::path DayFolder(const fs::path& appDir, std::string_view logDateFolder) {
    return appDir / "Log" / std::string(logDateFolder) / "";
}

std::optional<fs::path> StationLogFolder(const fs::path& appDir, std::string_view logDateFolder,
                                         int station) {
    if (station >= 0 && station < static_cast<int>(std::size(kStationFolders)))
        return DayFolder(appDir, logDateFolder) / std::string(kStationFolders[station]) / "";
    if (station == kScanBadStation)
        return LogRoot(appDir);
    return std::nullopt;
}

Status EnsureFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder))
        return Status::Error(Format("cannot create the folder %s: %s", folder.c_str(), ec.message().c_str()));
    return Status::Ok();
}

LocalStamp LocalStampNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return {local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms)};
}

std::string RunTimeStamp(const LocalStamp& s, int portIndex) {
    return Format("%02d%02d%02d%02d%02d%02d", s.month, s.day + portIndex, s.hour, s.minute, s.second,
                  s.millisecond + portIndex);
}

std::string SafeNamePart(std::string_view text) {
    if (text == "." || text == "..")
        return std::string(text.size(), '_');
    std::string safe(text);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F)
            c = '_';
    }
    return safe;
}

std::string EraseAllRunName(std::string_view timeStamp, int portNumber) {
    return Format("EraseAll_%s_P%d", SafeNamePart(timeStamp).c_str(), portNumber);
}

std::string RdtRunName(std::string_view serialNumber, int portNumber) {
    return Format("RDT_%s_P%d", SafeNamePart(serialNumber).c_str(), portNumber);
}

std::string IctRunName(std::string_view serialNumber, int portNumber) {
    return Format("ICT_%s_P%d", SafeNamePart(serialNumber).c_str(), portNumber);
}

std::string SerialRunName(std::string_view serialNumber) {
    return SafeNamePart(serialNumber);
}

std::string LibraryReportName(std::string_view runName) {
    return "Report_" + SafeNamePart(runName) + "_1.txt";
}

std::string SerialReportName(std::string_view serialNumber) {
    return Format("Report_%s_%d.txt", SafeNamePart(serialNumber).c_str(), 1);
}

std::string BadBlockTableName(std::string_view serialNumber, int portNumber) {
    return Format("BadBlockTable_%s_P%d.txt", SafeNamePart(serialNumber).c_str(), portNumber);
}

std::string ScanBadTableName(int portNumber) {
    return Format("BadBlockTable_%d.txt", portNumber);
}

std::string FlashIdListName(int portNumber) {
    return Format("AllFlashID_%d.txt", portNumber);
}

std::vector<fs::path> FilesNamedLike(const fs::path& folder, std::string_view expectedName) {
    const std::string wanted = ToLowerAscii(expectedName);
    std::vector<fs::path> matches;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        if (ToLowerAscii(it->path().filename().string()).find(wanted) != std::string::npos)
            matches.push_back(it->path());
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

std::optional<fs::path> FindReport(const fs::path& folder, std::string_view expectedName) {
    std::vector<fs::path> matches = FilesNamedLike(folder, expectedName);
    if (matches.empty())
        return std::nullopt;
    return std::move(matches.front());
}

} // namespace varnet
