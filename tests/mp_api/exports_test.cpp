// The library's interface as the loader sees it: exactly the contract's 18
// names in the dynamic symbol table, and the four the program never calls
// answering failure.
#include "exported_symbols.h"
#include "mp_api_line.h"

#include <set>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

TEST(MpApiExports, OnlyTheEighteenEntryPointsAreExported) {
    const fs::path library = BuiltMpApi();
    if (library.empty())
        GTEST_SKIP() << "VARNET_BINARY_DIR is not set";
    ASSERT_TRUE(fs::exists(library)) << library;
    const std::set<std::string> expected(kMpApiEntryPointNames.begin(), kMpApiEntryPointNames.end());
    EXPECT_EQ(ExportedSymbols(library), expected);
}

TEST_F(MpApiLine, EntryPointsTheProgramNeverCallsAnswerFailure) {
    EXPECT_EQ(api.DoSearchSpecialPenDrive(), 0);
    EXPECT_EQ(api.ModifyDeviceInfoEx(), 0);
    EXPECT_EQ(api.DoScanWindows(), 0);
    EXPECT_EQ(api.SetHPA_DefineCapacity(), 0);
}

} // namespace
} // namespace varnet::test
