// The demo station written to a scratch folder for a benchmark, with the
// stand-in libraries of this build beside it and the folder made the working
// folder (the stand-in library keeps its drives in ./Sim/), as a station
// program runs. The previous working folder comes back on destruction.
//
// One per benchmark function, on its thread; Ready() false (and why in
// Problem()) when the folder could not be made.
#pragma once

#include "temp_dir.h"

#include <filesystem>
#include <string>

namespace varnet::bench {

class DemoBenchStation {
public:
    DemoBenchStation();
    ~DemoBenchStation();
    DemoBenchStation(const DemoBenchStation&) = delete;
    DemoBenchStation& operator=(const DemoBenchStation&) = delete;

    bool Ready() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }
    const std::filesystem::path& Folder() const { return dir_.path(); }
    std::filesystem::path Library() const { return dir_ / "MP_API.so"; }

private:
    test::TempDir dir_;
    std::filesystem::path saved_;
    std::string problem_;
};

// This build's library host, beside the benchmark's own folder.
std::filesystem::path BuiltHostProgram();
// The host tests' device library of this build, whose drive 1 answers every
// call at once.
std::filesystem::path QuickLibrary();

} // namespace varnet::bench
