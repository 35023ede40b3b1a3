// The record every port run ends in: identify runs, station runs however
// they end (a verdict, "Device Invalid!", "SN Error!", a pulled drive), and
// the runs the result pages start. Outputs (run journal, results store,
// headless printer, line server) receive it; nothing reads a tile's text to
// learn how a run went.
//
// A plain value: copied freely, owned by whoever holds it, safe to hand to
// another thread. Texts are UTF-8 (bytes from drives and the library that are
// not, as U+FFFD); times are UTC.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace varnet {

struct PortRunRecord {
    std::string runId;         // unique per run: a UUID version 4 in its text form
    std::string station;       // "Identify", or the station's name: "01_EraseAll" ... "08_Scan Bad"
    int port = 0;              // 1-24
    int32_t drive = 0;         // the drive number the library was given; 0 when none
    std::string interfacePath; // the disk's interface path
    std::string model;         // from identify
    std::string firmware;      // from identify
    std::string driveSerial;   // the drive's own serial number from identify, padding trimmed
    std::string serial;        // the serial number the run gave or used, padding trimmed; empty if none
    std::string flashId;       // the flash ID bytes as hex, e.g. "98 3C 98 B3 76 72"
    std::string verdict;       // "Pass" or "Fail"; "Error" (the library crashed) or "Timeout"
    std::string errorCode;
    std::string errorMessage;
    std::string text;       // the tile's text as the run left it
    std::string reportPath; // the report the run read, if any
    std::string auxReportPath;
    std::chrono::system_clock::time_point startedAt{};
    std::chrono::system_clock::time_point endedAt{};
    int64_t durationMs = 0;
    std::string host;        // the station computer's host name
    std::string stationFile; // the station configuration file's name
    // A record written while its run still goes on: it has taken a serial
    // number and its verdict is not known yet. Journaled with
    // "state":"RUNNING"; a reader takes it for a run without an end until
    // the finished record of the same run id follows.
    bool inProgress = false;

    // How the page showed the run's end, for a front end that reports it as
    // the operator saw it; a detail of the screen, neither journaled nor
    // stored.
    uint8_t portCode = 0; // the port's action code after the run
    uint8_t tileKind = 0; // the tile's kind after the run (port_tiles.h)
};

inline constexpr const char* kVerdictPass = "Pass";
inline constexpr const char* kVerdictFail = "Fail";
inline constexpr const char* kVerdictError = "Error";
inline constexpr const char* kVerdictTimeout = "Timeout";
inline constexpr const char* kIdentifyStation = "Identify";

} // namespace varnet
