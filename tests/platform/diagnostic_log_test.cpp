// The diagnostic log: where each event happened and on which port, one whole
// line per event whatever the threads and texts, and nothing at all until a
// front end opens it.
#include "platform/diagnostic_log.h"
#include "platform/file_io.h"
#include "platform/uuid.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace varnet {
namespace {

TEST(DiagnosticLog, EachEventIsOneWholeLineWithTimePortAndPlace) {
    test::TempDir dir;
    const auto file = DiagnosticLogFile(dir.path(), "20261210");
    LogDiagnostic(3, "before the log is opened"); // goes nowhere
    ASSERT_TRUE(OpenDiagnosticLog(file));
    LogDiscarded(Status::Ok(), 1); // nothing to say
    LogDiscarded(Status::Error("cannot write Config/INI_Port_4.ini\r\nsecond line"), 4);
    try {
        throw std::runtime_error("bridge went away");
    } catch (...) {
        LogCaught();
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                LogDiagnostic(t + 1, std::string(300, static_cast<char>('a' + t)));
        });
    for (std::thread& thread : threads)
        thread.join();
    CloseDiagnosticLog();
    LogDiagnostic(5, "after closing"); // goes nowhere

    const std::string text = ReadWholeFile(file).value_or("");
    std::istringstream lines(text);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_EQ(all.size(), 2u + 8 * 200);
    const std::regex shape(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (P\d{1,2}|-) diagnostic_log_test\.cpp:\d+ .+)");
    for (const std::string& line : all)
        ASSERT_TRUE(std::regex_match(line, shape)) << line.substr(0, 120);
    EXPECT_NE(all[0].find(" P4 "), std::string::npos);
    EXPECT_NE(all[0].find("INI_Port_4.ini  second line"), std::string::npos) << all[0];
    EXPECT_NE(all[1].find(" - "), std::string::npos);
    EXPECT_NE(all[1].find("exception: bridge went away"), std::string::npos);
    for (size_t i = 2; i < all.size(); ++i) {
        const std::string body = all[i].substr(all[i].rfind(' ') + 1);
        EXPECT_EQ(body, std::string(300, body[0])) << "a line of one thread was broken into";
    }
    EXPECT_EQ(text.find("before the log"), std::string::npos);
    EXPECT_EQ(text.find("after closing"), std::string::npos);
}

TEST(Uuid, VersionFourTextsAreWellFormedAndDistinct) {
    const std::regex shape("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string id = NewUuidV4();
        ASSERT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

} // namespace
} // namespace varnet
