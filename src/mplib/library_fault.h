// A fault of the device library's process, as opposed to a failure the
// library reported: it died of a signal, exited, passed its call budget,
// would not die, or could not be reached. Only a library in a host process
// has such faults; the run that met one ends in it.
//
// A plain value; any thread.
#pragma once

#include <string>
#include <string_view>

namespace varnet {

struct LibraryFault {
    enum Kind {
        kCrashed,     // signal
        kExited,      // exitCode
        kTimedOut,    // seconds
        kUnreapable,  // the host would not die: the drive must be replugged
        kRefused,     // too many crashes: the port waits for Refresh
        kUnavailable, // the host could not be started or answered nonsense (detail)
    } kind = kCrashed;
    std::string entryPoint;
    int signal = 0;
    int exitCode = 0;
    int seconds = 0;
    std::string detail;

    // "Error" or "Timeout": the run record's verdict.
    const char* Verdict() const;
    // The tile's text: "%sFail!\r\nLibrary crashed: SIGSEGV" and its kin,
    // with the verdict prefix; Chinese when language is 1.
    std::string TileText(std::string_view prefix, int language) const;
};

} // namespace varnet
