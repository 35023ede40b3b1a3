// The outputs a station registers, as the front ends do: what they tell the
// operator and the diagnostic log about the line server never holds its
// password, in whatever form the setting gives it.
#include "engine/run_record_outputs.h"
#include "platform/diagnostic_log.h"
#include "results/station_outputs.h"
#include "run_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace varnet {
namespace {

using namespace std::chrono_literals;

struct Reports {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> texts;

    bool WaitFor(const std::string& part) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, 60s, [&] {
            return std::any_of(texts.begin(), texts.end(),
                               [&](const std::string& text) { return text.find(part) != std::string::npos; });
        });
    }
};

// Each setting points at a folder where no server listens, so the client
// fails at once and its failure is reported; every password holds "zq", a
// pair found nowhere else in the reports or the log once the folder's own
// (random) name is taken out.
TEST(StationOutputs, ALineServerPasswordInAnyFormReachesNeitherTheOperatorNorTheLog) {
    struct Case {
        std::string setting; // DIR: the station folder
        const char* expected;
    };
    const Case cases[] = {
        {"postgresql://varnet:zqUrl%20one@/nowhere?host=DIR&port=1", "cannot be reached"},
        {"postgresql://varnet@/nowhere?host=DIR&port=1&password=zqParam%27two%21", "cannot be reached"},
        {"postgresql://varnet@/nowhere?host=DIR&port=1&%70assword=zqEncoded-key", "cannot be reached"},
        {"host=DIR port=1 dbname=nowhere user=varnet password='zq Quoted\\'four'", "cannot be reached"},
        {"host=DIR port=1 user=varnet password=zqBare\\ five dbname=nowhere", "cannot be reached"},
        {"host=DIR port=1 password='zq torn six", "cannot be used"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string setting = c.setting;
        setting.replace(setting.find("DIR"), 3, dir.path().string());
        std::filesystem::create_directories(dir / "Config");
        test::WriteText(dir / "Config/VarnetTool.ini", "[Results]\nLineServer=" + setting + "\n");
        std::filesystem::permissions(dir / "Config/VarnetTool.ini", std::filesystem::perms(0644));
        const std::filesystem::path logFile = DiagnosticLogFile(dir.path(), "20261210");
        ASSERT_TRUE(OpenDiagnosticLog(logFile));

        Reports reports;
        {
            RunRecordOutputs outputs;
            RegisterStationOutputs(
                outputs, {dir.path(), "20261210", "04_MP.ini", "0.1.0", [&](const std::string& message) {
                              std::lock_guard lock(reports.mutex);
                              reports.texts.push_back(message);
                              reports.arrived.notify_all();
                          }});
            const PortRunRecord run = test::FinishedRun("r1", "04_MP", "SN1", "Pass", 0);
            outputs.PostStarted(run);
            outputs.PostFinished(run);
            EXPECT_TRUE(reports.WaitFor(c.expected)) << setting;
            EXPECT_TRUE(reports.WaitFor("can be read by other users: chmod 600 it, or use ~/.pgpass"));
            outputs.Close();
        }
        CloseDiagnosticLog();

        auto withoutFolder = [&](std::string text) {
            const std::string folder = dir.path().string();
            for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
                text.replace(at, folder.size(), "DIR");
            return text;
        };
        const std::string log = withoutFolder(test::ReadText(logFile));
        EXPECT_NE(log.find(c.expected), std::string::npos) << log;
        EXPECT_EQ(log.find("zq"), std::string::npos) << setting << "\n" << log;
        std::lock_guard lock(reports.mutex);
        for (const std::string& text : reports.texts)
            EXPECT_EQ(withoutFolder(text).find("zq"), std::string::npos) << setting << "\n" << text;
    }
}

} // namespace
} // namespace varnet
