// The log tree every run leaves behind: Log/ under the program folder, one
// folder per day (fixed at start-up), one per station, and the run and report
// names the device library is given. The library writes the reports; the
// stations predict their names and find them again.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

// "Log/" under appDir.
std::filesystem::path LogRoot(const std::filesystem::path& appDir);
// "Log/<logDateFolder>/".
std::filesystem::path DayFolder(const std::filesystem::path& appDir, std::string_view logDateFolder);
// The folder a station's reports go to: "Log/<day>/01_EraseAll/" ...
// "Log/<day>/06_ICT/"; the bad-block scan writes into the log root; the
// firmware update writes nothing (nullopt).
std::optional<std::filesystem::path> StationLogFolder(const std::filesystem::path& appDir,
                                                      std::string_view logDateFolder, int station);

// Creates the folder with every missing folder above it, so that a day
// folder removed while the program runs never loses a run's report.
Status EnsureFolder(const std::filesystem::path& folder);

struct LocalStamp {
    int month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
};
LocalStamp LocalStampNow();

// "%02d%02d%02d%02d%02d%02d" of month, day + p, hour, minute, second and
// millisecond + p, p the 0-based port index: ports started in the same
// millisecond still get different names.
std::string RunTimeStamp(const LocalStamp& stamp, int portIndex);

// A serial number (typed, scanned or read from a drive) made safe to be part
// of a file name and of the run name handed to the library: '/', '\\', NUL
// and other control characters become '_', and a name that is "." or ".."
// becomes "_" or "__", so no name can leave its folder or name a folder
// instead of a file. Ordinary serial numbers are unchanged.
std::string SafeNamePart(std::string_view text);

// Run names (portNumber is 1-based); serial-number parts go through SafeNamePart.
std::string EraseAllRunName(std::string_view timeStamp, int portNumber); // "EraseAll_%s_P%d"
std::string RdtRunName(std::string_view serialNumber, int portNumber);   // "RDT_%s_P%d"
std::string IctRunName(std::string_view serialNumber, int portNumber);   // "ICT_%s_P%d"
std::string SerialRunName(std::string_view serialNumber);                // the serial number itself

// Report file names.
std::string LibraryReportName(std::string_view runName);                      // "Report_" + run + "_1.txt"
std::string SerialReportName(std::string_view serialNumber);                  // "Report_%s_1.txt"
std::string BadBlockTableName(std::string_view serialNumber, int portNumber); // "BadBlockTable_%s_P%d.txt"
std::string ScanBadTableName(int portNumber);                                 // "BadBlockTable_%d.txt"
std::string FlashIdListName(int portNumber);                                  // "AllFlashID_%d.txt"

// The files (not folders) of folder whose names contain expectedName, both
// compared in lower case, in name order.
std::vector<std::filesystem::path> FilesNamedLike(const std::filesystem::path& folder,
                                                  std::string_view expectedName);
// The first of them; nullopt when there is none.
std::optional<std::filesystem::path> FindReport(const std::filesystem::path& folder,
                                                std::string_view expectedName);

} // namespace varnet
