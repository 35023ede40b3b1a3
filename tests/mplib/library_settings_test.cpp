// A [Library] value that cannot be used falls back, and the operator is told
// which key, which value and what was taken instead.
#include "mplib/library_settings.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace varnet {
namespace {

TEST(LibrarySettingsNotices, AnUnusableValueNamesItsKeyItsValueAndTheValueTaken) {
    struct Case {
        const char* text;
        LibraryIsolation isolation;
        long long call;
        long long erase;
        std::vector<std::string> notices;
    };
    const std::string head = "Config/VarnetTool.ini: [Library] ";
    const Case cases[] = {
        {"CallTimeoutSeconds=-5",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "CallTimeoutSeconds=-5 cannot be used; the default 14400 s is taken"}},
        {"CallTimeoutSeconds=abc",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "CallTimeoutSeconds=abc cannot be used; the default 14400 s is taken"}},
        {"CallTimeoutSeconds=1.5",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "CallTimeoutSeconds=1.5 cannot be used; the default 14400 s is taken"}},
        {"CallTimeoutSeconds=315360001",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "CallTimeoutSeconds=315360001 cannot be used; the default 14400 s is taken"}},
        {"Isolation=Banana",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "Isolation=Banana cannot be used; the default PerPort is taken"}},
        // An entry point falls back to the call budget in force, not to 4 hours.
        {"CallTimeoutSeconds=600\nDoEraseAllTimeoutSeconds=0",
         LibraryIsolation::kPerPort,
         600,
         600,
         {head + "DoEraseAllTimeoutSeconds=0 cannot be used; the call timeout 600 s is taken"}},
        {"Isolation=Banana\nCallTimeoutSeconds=x\nDoEraseAllTimeoutSeconds=-1",
         LibraryIsolation::kPerPort,
         14400,
         14400,
         {head + "Isolation=Banana cannot be used; the default PerPort is taken",
          head + "CallTimeoutSeconds=x cannot be used; the default 14400 s is taken",
          head + "DoEraseAllTimeoutSeconds=-1 cannot be used; the call timeout 14400 s is taken"}},
        {"Isolation=inprocess\nCallTimeoutSeconds= 30 \nDoEraseAllTimeoutSeconds=315360000",
         LibraryIsolation::kInProcess,
         30,
         315360000,
         {}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::filesystem::path file = ProgramSettingsFile(dir.path());
        std::filesystem::create_directories(file.parent_path());
        test::WriteText(file, std::string("[Library]\n") + c.text + "\n");
        const LibrarySettings settings = LoadLibrarySettings(file);
        EXPECT_EQ(settings.notices, c.notices) << c.text;
        EXPECT_EQ(settings.isolation, c.isolation) << c.text;
        EXPECT_EQ(settings.TimeoutFor("ResetSmart").count(), c.call) << c.text;
        EXPECT_EQ(settings.TimeoutFor("DoEraseAll").count(), c.erase) << c.text;
    }
}

} // namespace
} // namespace varnet
