// Helpers for the burn-in result and in-circuit test stations' tests: where
// a scripted library call writes its report, and a burn-in log report of
// chosen figures. In a namespace of their own, as every station's tests link
// into one binary.
#pragma once

#include "mplib/mp_library.h"
#include "rdt_report_generator.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnet::test::burnin {

// Where the library writes the report of an eight-argument call.
inline std::filesystem::path LibraryReportPath(const MpLibrary::Call& call) {
    return std::filesystem::path(call.folder) / ("Report_" + std::string(call.name) + "_1.txt");
}

// What a burn-in log report says, as the station shows it.
struct BurnInFigures {
    int early = 0;
    int later = 0;
    int eraseFails = 0;
    int programFails = 0;
    int readFails = 0;
    int maxTemperature = 0;
};

// A report that names no limits, so the built-in limit of 10 judges it. The
// counts sit on CE 0, die 0, plane 0; the failures are rows of CE 0.
inline std::string BurnInReport(const BurnInFigures& figures) {
    RdtReportContent content;
    content.limitsForm = 0;
    content.planeLines.push_back({0, 0, 0, std::to_string(figures.early + figures.later),
                                  std::to_string(figures.early), std::to_string(figures.later)});
    const auto addRows = [&](const char* failType, int count) {
        for (int i = 0; i < count; ++i) {
            RdtFailRow row;
            row.failType = failType;
            row.ce = "0";
            row.plane = "0";
            row.block = static_cast<uint32_t>(0x100 + i);
            content.failRows.push_back(row);
        }
    };
    addRows("Erase fail", figures.eraseFails);
    addRows("Program fail", figures.programFails);
    addRows("Read retry fail", figures.readFails);
    RdtTemperatureLine reading;
    reading.temperatures = {30, 31, figures.maxTemperature, 32, 33, 34};
    content.temperatures.push_back(reading);
    return WriteRdtReport(content);
}

} // namespace varnet::test::burnin
