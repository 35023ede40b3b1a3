// The MES client over the simulated MES_DLL.so: the success rule of each
// call, what is shown, and a library that is not there.
#include "mes/mes_client.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace varnet {
namespace {

namespace fs = std::filesystem;

class MesClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        library_ = fs::path(binary) / "sim" / "MES_DLL.so";
        saved_ = fs::current_path();
        fs::current_path(dir_.path()); // the route store lives in ./Sim/
    }
    void TearDown() override {
        if (!saved_.empty())
            fs::current_path(saved_);
    }
    test::TempDir dir_;
    fs::path library_;
    fs::path saved_;
};

TEST_F(MesClientTest, RouteCallsShowStatusThenMessageAndFailWithoutStatus) {
    MesClient client(library_);
    const auto here = client.CheckRoute("VN0001", "01_EraseAll");
    ASSERT_TRUE(here);
    EXPECT_TRUE(here->starts_with("OK")) << *here;
    EXPECT_GT(here->size(), 2u); // the message follows right after, no separator
    EXPECT_EQ(MesClient::Shown(client.CheckRoute("VN0001", "04_MP")), "Function Fail!!");

    ASSERT_TRUE(client.Save2NextStation("VN0001", "02_RDT"));
    EXPECT_TRUE(client.CheckRoute("VN0001", "02_RDT"));
    EXPECT_FALSE(client.Save2NextStation("VN0001", "05_ReMP")); // skipping a station
}

TEST_F(MesClientTest, BoundDataIsQueriedBack) {
    MesClient client(library_);
    EXPECT_FALSE(client.QueryData("VN0002", "MAC"));
    ASSERT_TRUE(client.BindData("VN0002", "MAC", "00:11:22:33:44:55"));
    const auto value = client.QueryData("VN0002", "MAC");
    ASSERT_TRUE(value);
    EXPECT_NE(value->find("00:11:22:33:44:55"), std::string::npos);
}

TEST(MesClient, AMissingLibraryFailsEveryCall) {
    MesClient client("/nonexistent/MES_DLL.so");
    EXPECT_EQ(MesClient::Shown(client.CheckRoute("S", "01_EraseAll")), "Function Fail!!");
    EXPECT_FALSE(client.Save2NextStation("S", "02_RDT"));
    EXPECT_FALSE(client.BindData("S", "T", "V"));
    EXPECT_FALSE(client.QueryData("S", "T"));
}

} // namespace
} // namespace varnet
