// Start-up clears the temporary files of atomic writes cut short by a kill,
// and nothing else.
#include "platform/temp_leftovers.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace varnet {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

enum class Kind { File, Folder, Link };

struct LeftoverCase {
    const char* name;
    Kind kind;
    fs::file_time_type::duration age;
    bool removed;
};

TEST(WriteLeftovers, OnlyOldTemporaryFilesOfOurWritesAreRemoved) {
    const LeftoverCase cases[] = {
        {".04_MP.ini.a1B2c3", Kind::File, 2min, true},
        {".Config.ini.ZZZZZZ", Kind::File, 24h, true},
        {".x.000000", Kind::File, 61s, true},
        {".04_MP.ini.Q9w8E7", Kind::File, 30s, false},   // a write may still be running
        {".04_MP.ini.k3J4l5", Kind::File, 0s, false},    // just made
        {"04_MP.ini.a1B2c3", Kind::File, 2min, false},   // no leading dot
        {".04_MP.ini.a1B2c", Kind::File, 2min, false},   // five characters
        {".04_MP.ini.a1B2c3d", Kind::File, 2min, false}, // seven characters
        {".04_MP.ini-a1B2c3", Kind::File, 2min, false},  // no dot before them
        {".04_MP.ini.a1B-c3", Kind::File, 2min, false},  // not what mkstemp fills in
        {"..a1B2c3", Kind::File, 2min, false},           // no target name
        {".bashrc", Kind::File, 2min, false},
        {".cache", Kind::Folder, 2min, false},
        {".04_MP.ini.f0ld3r", Kind::Folder, 2min, false},
        {".04_MP.ini.l1nk00", Kind::Link, 2min, false},
        {"04_MP.ini", Kind::File, 2min, false},
    };
    test::TempDir dir;
    const auto now = fs::file_time_type::clock::now();
    test::WriteText(dir / "04_MP.ini", "[General Info]\r\n");
    for (const LeftoverCase& c : cases) {
        const fs::path path = dir / c.name;
        if (c.kind == Kind::Folder)
            fs::create_directory(path);
        else if (c.kind == Kind::Link)
            fs::create_symlink(dir / "04_MP.ini", path);
        else if (!fs::exists(path))
            test::WriteText(path, "[General Info]\r\n");
        if (c.kind != Kind::Link)
            fs::last_write_time(path, now - c.age);
    }
    // The link's target is old too: only the link's own kind counts.
    fs::last_write_time(dir / "04_MP.ini", now - 1h);

    EXPECT_EQ(RemoveWriteLeftovers(dir.path(), now), 3u);
    for (const LeftoverCase& c : cases)
        EXPECT_EQ(fs::exists(fs::symlink_status(dir / c.name)), !c.removed) << c.name;
    EXPECT_EQ(test::ReadText(dir / "04_MP.ini"), "[General Info]\r\n");
}

TEST(WriteLeftovers, AMissingFolderRemovesNothing) {
    EXPECT_EQ(RemoveWriteLeftovers("/nonexistent/varnet-folder", fs::file_time_type::clock::now()), 0u);
}

} // namespace
} // namespace varnet
