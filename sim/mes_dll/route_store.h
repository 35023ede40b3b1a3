// The simulated station's MES: the line's route and, per drive (by serial
// number), its current station and the data bound to it, kept in one INI file
// (./Sim/mes_routes.ini of the working folder unless told otherwise).
//
//   [Route]
//   Stations=01_EraseAll,02_RDT,03_RDTResult,04_MP,05_ReMP,06_ICT,07_UpdateFW,08_ScanBad
//
//   [SN <serial number>]
//   Station=02_RDT
//   Data.<type>=<value>
//
// The route is the comma-separated list of station IDs (blanks around an ID
// ignored, empty entries dropped); a missing or empty list means the default
// route above, the eight production stations in line order. The first change
// writes the default route into a file that has none, so an operator sees
// what to edit. A drive the store does not know is at the first station.
//
// Serial numbers, data types and values are stored with every byte that would
// change the file's meaning written as %XX (control bytes, '%', '=', '[', ']',
// ';', quotes, and blanks at either end), so any text round-trips. Serial
// numbers and data types match without regard to ASCII letter case, as INI
// names do; station IDs match exactly.
//
// Every change is one locked read-modify-write of the file, so concurrent
// callers in one process never lose each other's changes; nothing here keeps
// state between calls, so an edit of the file takes effect at the next call.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::sim {

inline constexpr std::array<std::string_view, 8> kDefaultRoute = {
    "01_EraseAll", "02_RDT", "03_RDTResult", "04_MP", "05_ReMP", "06_ICT", "07_UpdateFW", "08_ScanBad",
};

// The answer to a route call: status is the caller's success buffer ("OK", or
// empty when refused); message says why, or what happened, and is written to
// read directly after status.
struct RouteReply {
    std::string status;
    std::string message;
};

class RouteStore {
public:
    explicit RouteStore(std::filesystem::path file);
    static std::filesystem::path DefaultFile();

    std::vector<std::string> Route() const;

    // Passes when station is the drive's current station.
    RouteReply CheckRoute(std::string_view sn, std::string_view station) const;
    // Moves the drive to nextStation when that is the station after its
    // current one on the route.
    RouteReply MoveToNext(std::string_view sn, std::string_view nextStation);
    // The confirmation text, or empty when nothing was bound (an empty serial
    // number, type or value, or a file that cannot be written).
    std::string Bind(std::string_view sn, std::string_view type, std::string_view value);
    // The bound value, empty when there is none.
    std::string Query(std::string_view sn, std::string_view type) const;

private:
    std::filesystem::path file_;
};

} // namespace varnet::sim
