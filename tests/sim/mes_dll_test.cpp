// The simulated MES_DLL.so as the program sees it: loaded with dlopen from the
// build tree, called through the contract's function-pointer types, working
// on a route store in the current folder.
#include "exported_symbols.h"
#include "mes/mes_api.h"
#include "mplib/mp_api.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace varnet {
namespace {

namespace fs = std::filesystem;

fs::path BuiltLibrary(const char* name) {
    const char* binaryDir = std::getenv("VARNET_BINARY_DIR");
    return binaryDir ? fs::path(binaryDir) / "sim" / name : fs::path();
}

// A result buffer as the program makes it, with a guard area behind it so an
// overrun shows up as changed guard bytes.
struct ResultBuffer {
    static constexpr size_t kGuard = 64;
    std::vector<char> bytes = std::vector<char>(kMesResultSize + kGuard, '#');

    ResultBuffer() { bytes[0] = '\0'; }
    char* data() { return bytes.data(); }
    std::string text() const { return bytes.data(); }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + kMesResultSize, bytes.end(), [](char c) { return c == '#'; });
    }
};

struct RouteResult {
    std::string b;
    std::string a;
};

class MesDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path library = BuiltLibrary("MES_DLL.so");
        if (library.empty())
            GTEST_SKIP() << "VARNET_BINARY_DIR is not set";
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        checkRoute_ = Resolve<PFN_CheckRoute>("CheckRoute");
        save2Next_ = Resolve<PFN_Save2NextStation>("Save2NextStation");
        bindData_ = Resolve<PFN_BindData>("BindData");
        queryData_ = Resolve<PFN_QueryData>("QueryData");
        ASSERT_TRUE(checkRoute_ && save2Next_ && bindData_ && queryData_);
        // The store lives under the working folder, as it does beside the program.
        savedDir_ = fs::current_path();
        fs::current_path(dir_.path());
    }

    void TearDown() override {
        if (!savedDir_.empty())
            fs::current_path(savedDir_);
        if (handle_)
            dlclose(handle_);
    }

    template <typename Pfn> Pfn Resolve(const char* name) {
        return reinterpret_cast<Pfn>(dlsym(handle_, name));
    }

    RouteResult Check(const char* sn, const char* station) {
        ResultBuffer b, a;
        checkRoute_(sn, station, b.data(), a.data());
        return {b.text(), a.text()};
    }
    RouteResult Save2Next(const char* sn, const char* station) {
        ResultBuffer b, a;
        save2Next_(sn, station, b.data(), a.data());
        return {b.text(), a.text()};
    }
    std::string Bind(const char* sn, const char* type, const char* value) {
        ResultBuffer result;
        bindData_(sn, type, value, result.data());
        return result.text();
    }
    std::string Query(const char* sn, const char* type, const char* keyKind = "SN") {
        ResultBuffer result;
        queryData_(keyKind, sn, type, result.data());
        return result.text();
    }

    test::TempDir dir_;
    fs::path savedDir_;
    void* handle_ = nullptr;
    PFN_CheckRoute checkRoute_ = nullptr;
    PFN_Save2NextStation save2Next_ = nullptr;
    PFN_BindData bindData_ = nullptr;
    PFN_QueryData queryData_ = nullptr;
};

TEST_F(MesDllTest, DriveWalksTheDefaultRouteStationByStation) {
    const std::vector<std::string> route = {"01_EraseAll", "02_RDT", "03_RDTResult", "04_MP",
                                            "05_ReMP",     "06_ICT", "07_UpdateFW",  "08_ScanBad"};

    // A drive the line has not seen starts at the first station.
    RouteResult wrong = Check("SN0001", "02_RDT");
    EXPECT_EQ(wrong.a, "");
    EXPECT_NE(wrong.b, "");
    EXPECT_EQ(Check("SN0001", "01_EraseAll").a, "OK");

    for (size_t at = 0; at + 1 < route.size(); ++at) {
        SCOPED_TRACE(route[at]);
        // Skipping a station, staying put or going back never moves the drive.
        if (at + 2 < route.size()) {
            EXPECT_EQ(Save2Next("SN0001", route[at + 2].c_str()).a, "");
        }
        EXPECT_EQ(Save2Next("SN0001", route[at].c_str()).a, "");

        RouteResult moved = Save2Next("SN0001", route[at + 1].c_str());
        EXPECT_EQ(moved.a, "OK");
        EXPECT_NE(moved.b.find(route[at + 1]), std::string::npos) << moved.b;
        EXPECT_EQ(Check("SN0001", route[at].c_str()).a, "");
        RouteResult there = Check("SN0001", route[at + 1].c_str());
        EXPECT_EQ(there.a, "OK");
        EXPECT_NE(there.b, "");
    }

    RouteResult beyond = Save2Next("SN0001", "01_EraseAll");
    EXPECT_EQ(beyond.a, "");
    EXPECT_NE(beyond.b, "");
    EXPECT_EQ(Check("SN0001", "08_ScanBad").a, "OK");
    // Each drive has its own place on the route.
    EXPECT_EQ(Check("SN0002", "01_EraseAll").a, "OK");
    // The route in use is written down for the operator to see and edit.
    EXPECT_TRUE(fs::exists(dir_ / "Sim" / "mes_routes.ini"));
}

TEST_F(MesDllTest, RouteComesFromTheStoreFile) {
    fs::create_directories(dir_ / "Sim");
    test::WriteText(dir_ / "Sim" / "mes_routes.ini", "[Route]\r\nStations= A1 , ,B2,C3\r\n");

    EXPECT_EQ(Check("X", "01_EraseAll").a, "");
    EXPECT_EQ(Check("X", "A1").a, "OK");
    EXPECT_EQ(Save2Next("X", "B2").a, "OK");
    EXPECT_EQ(Save2Next("X", "C3").a, "OK");
    EXPECT_EQ(Check("X", "C3").a, "OK");
    EXPECT_EQ(Save2Next("X", "D4").a, "");
    // Station IDs are the line's codes: no trimming, no case folding.
    EXPECT_EQ(Check("X", "c3").a, "");
    EXPECT_EQ(Check("X", " C3").a, "");
}

TEST_F(MesDllTest, EmptySerialNumberOrStationNeverPasses) {
    EXPECT_EQ(Check("", "01_EraseAll").a, "");
    EXPECT_EQ(Check("SN1", "").a, "");
    EXPECT_EQ(Save2Next("", "02_RDT").a, "");
    EXPECT_EQ(Save2Next("SN1", "").a, "");
    EXPECT_EQ(Check("SN1", "01_EraseAll").a, "OK");
}

TEST_F(MesDllTest, BoundDataRoundTripsPerDriveAndType) {
    EXPECT_NE(Bind("SN1", "Customer", "ACME"), "");
    EXPECT_EQ(Query("SN1", "Customer"), "ACME");
    EXPECT_EQ(Query("SN1", "Lot"), "");
    EXPECT_EQ(Query("SN2", "Customer"), "");
    // A rebind replaces the value.
    EXPECT_NE(Bind("SN1", "Customer", "Other"), "");
    EXPECT_EQ(Query("SN1", "Customer"), "Other");
    // Only serial numbers are keys.
    EXPECT_EQ(Query("SN1", "Customer", "MAC"), "");
    EXPECT_EQ(Query("SN1", "Customer", ""), "");

    // Nothing is bound without a serial number, a type and a value.
    EXPECT_EQ(Bind("SN1", "", "v"), "");
    EXPECT_EQ(Bind("", "Lot", "v"), "");
    EXPECT_EQ(Bind("SN1", "Lot", ""), "");
    EXPECT_EQ(Query("SN1", "Lot"), "");
    EXPECT_EQ(Query("SN1", ""), "");
}

TEST_F(MesDllTest, TextsThatMeanSomethingInTheStoreFileRoundTrip) {
    // Serial numbers, types and values reach the store as typed; none of them
    // may be taken for INI syntax, trimmed or unquoted.
    const std::vector<std::string> texts = {
        " padded ", "\"quoted\"", "'single'",  "a=b",         "[section]",          ";comment",
        "100%",     "%41",        "tab\there", "line\nbreak", "\xE5\x8C\x97 8-bit",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        ASSERT_NE(Bind(text.c_str(), text.c_str(), text.c_str()), "");
        EXPECT_EQ(Query(text.c_str(), text.c_str()), text);
        EXPECT_EQ(Check(text.c_str(), "01_EraseAll").a, "OK");
        EXPECT_EQ(Save2Next(text.c_str(), "02_RDT").a, "OK");
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Query(text.c_str(), text.c_str()), text);
        EXPECT_EQ(Check(text.c_str(), "02_RDT").a, "OK");
    }
}

TEST_F(MesDllTest, LongTextsAreCutToWhatTheBufferHolds) {
    const std::string longValue(1500, 'v');
    const std::string longSn(1500, 's');
    const std::string longStation(1500, 't');

    ResultBuffer bound;
    bindData_(longSn.c_str(), "T", longValue.c_str(), bound.data());
    EXPECT_EQ(bound.text().size(), kMesResultSize - 1);
    EXPECT_TRUE(bound.GuardIntact());

    ResultBuffer queried;
    queryData_("SN", longSn.c_str(), "T", queried.data());
    EXPECT_EQ(queried.text(), longValue.substr(0, kMesResultSize - 1));
    EXPECT_TRUE(queried.GuardIntact());

    // Route messages quote the serial number and the station.
    ResultBuffer b, a;
    checkRoute_(longSn.c_str(), longStation.c_str(), b.data(), a.data());
    EXPECT_EQ(b.text().size(), kMesResultSize - 1);
    EXPECT_TRUE(b.GuardIntact());
    EXPECT_EQ(a.text(), "");

    ResultBuffer b2, a2;
    save2Next_(longSn.c_str(), longStation.c_str(), b2.data(), a2.data());
    EXPECT_EQ(b2.text().size(), kMesResultSize - 1);
    EXPECT_TRUE(b2.GuardIntact());
}

TEST_F(MesDllTest, NullPointersAreEmptyInputAndNothingWritten) {
    ResultBuffer b, a, result;
    EXPECT_EQ(checkRoute_(nullptr, nullptr, b.data(), a.data()), 0);
    EXPECT_EQ(a.text(), "");
    EXPECT_EQ(save2Next_(nullptr, "02_RDT", b.data(), a.data()), 0);
    EXPECT_EQ(a.text(), "");
    EXPECT_EQ(bindData_(nullptr, nullptr, nullptr, result.data()), 0);
    EXPECT_EQ(queryData_(nullptr, nullptr, nullptr, result.data()), 0);
    EXPECT_EQ(result.text(), "");

    // Missing result buffers only lose the answer.
    EXPECT_EQ(checkRoute_("SN1", "01_EraseAll", nullptr, nullptr), 1);
    EXPECT_EQ(save2Next_("SN1", "02_RDT", nullptr, nullptr), 1);
    EXPECT_EQ(bindData_("SN1", "T", "v", nullptr), 1);
    EXPECT_EQ(queryData_("SN", "SN1", "T", nullptr), 1);
    EXPECT_EQ(Check("SN1", "02_RDT").a, "OK");
    EXPECT_EQ(Query("SN1", "T"), "v");
}

TEST(MesDllExports, OnlyTheFourEntryPointsAreExported) {
    const fs::path library = BuiltLibrary("MES_DLL.so");
    if (library.empty())
        GTEST_SKIP() << "VARNET_BINARY_DIR is not set";
    ASSERT_TRUE(fs::exists(library)) << library;
    const std::set<std::string> expected(kMesApiEntryPointNames.begin(), kMesApiEntryPointNames.end());
    EXPECT_EQ(test::ExportedSymbols(library), expected);
}

TEST(MpApiContract, EighteenDistinctEntryPointNames) {
    const std::set<std::string_view> distinct(kMpApiEntryPointNames.begin(), kMpApiEntryPointNames.end());
    EXPECT_EQ(distinct.size(), 18u);
    EXPECT_EQ(kMpApiEntryPointNames.front(), "GetIdentifyInfoBuf");
    EXPECT_EQ(kMpApiEntryPointNames.back(), "SetHPA_DefineCapacity");
}

} // namespace
} // namespace varnet
