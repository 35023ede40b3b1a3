// The record as one JSON line and back: what the journal keeps must come
// back the same, and no text may break the one-line form or its UTF-8.
#include "results/run_record_json.h"

#include "platform/text.h"
#include "run_fixture.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

using namespace std::string_literals;

bool SameRecord(const PortRunRecord& a, const PortRunRecord& b) {
    return EncodeRunRecord(a) == EncodeRunRecord(b);
}

TEST(RunRecordJson, WritesTheKeysInTheirOrderWithTextsEscaped) {
    EXPECT_EQ(
        EncodeRunRecord(test::FullRecord()),
        "{\"run_id\":\"6f1c2b1e-8d4a-4c1b-9f3e-2a7d5c9b0e11\",\"station\":\"04_MP\",\"port\":17,\"drive\":3,"
        "\"interface_path\":\"/dev/disk/by-id/usb-Gen_Disk_0001-0:0\",\"model\":\"SSD \\\"Pro\\\" 512G\","
        "\"firmware\":\"FW\\\\1.02\",\"drive_serial\":\"DS0001\",\"serial\":\"SN2026120001\","
        "\"flash_id\":\"98 3C 98 B3 76 72\",\"verdict\":\"Fail\",\"error_code\":\"0x2F\","
        "\"error_message\":\"坏块超限\\ttab\",\"text\":\"           Fail!\\r\\nCode 0x2F\\u0001\","
        "\"report_path\":\"./Log/20261210/04_MP/Report_SN2026120001_1.txt\",\"aux_report_path\":\"\","
        "\"started_at\":\"2026-12-10T16:57:03.123Z\",\"ended_at\":\"2026-12-10T16:58:04.456Z\","
        "\"duration_ms\":61333,\"host\":\"line2-st04\",\"station_file\":\"04_MP.ini\"}");
}

TEST(RunRecordJson, ARecordComesBackAsItWasWritten) {
    const PortRunRecord record = test::FullRecord();
    const auto back = DecodeRunRecord(EncodeRunRecord(record));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, record.text);
    EXPECT_EQ(back->errorMessage, record.errorMessage);
    EXPECT_EQ(back->startedAt, record.startedAt);
    EXPECT_EQ(back->port, 17);
    EXPECT_TRUE(SameRecord(*back, record));
}

// A run still going on says so, and only such a run: finished lines stay as
// every earlier reader knows them.
TEST(RunRecordJson, ARunStillGoingOnIsMarkedRunningAndComesBackSo) {
    PortRunRecord record = test::FullRecord();
    EXPECT_EQ(EncodeRunRecord(record).find("\"state\""), std::string::npos);
    record.inProgress = true;
    const std::string line = EncodeRunRecord(record);
    EXPECT_TRUE(line.ends_with(",\"state\":\"RUNNING\"}")) << line;
    const auto back = DecodeRunRecord(line);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->inProgress);
    EXPECT_EQ(back->serial, record.serial);
    const auto finished = DecodeRunRecord(EncodeRunRecord(test::FullRecord()));
    ASSERT_TRUE(finished);
    EXPECT_FALSE(finished->inProgress);
}

TEST(RunRecordJson, BytesThatAreNotUtf8BecomeReplacementCharactersAndTheLineStaysOneLine) {
    PortRunRecord record = test::FullRecord();
    record.text = "bad \xC3\x28 byte\n\x7F end\0nul"s;
    record.model = "\xF0\x9F\x92\xBE disk\xE2\x80";
    const std::string line = EncodeRunRecord(record);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(ValidUtf8(line), line);
    const auto back = DecodeRunRecord(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, "bad \xEF\xBF\xBD( byte\n\x7F end\0nul"s);
    EXPECT_EQ(back->model, "\xF0\x9F\x92\xBE disk\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(RunRecordJson, ReadsAnyObjectOrderUnknownKeysAndEveryEscape) {
    const auto record = DecodeRunRecord(
        " { \"extra\" : {\"a\":[1,2.5e3,true,null,{\"b\":\"c\"}]}, \"port\" : -1 ,"
        " \"text\":\"\\u00e9\\ud83d\\udcbe\\/\\b\\f\\ud800x\", \"run_id\":\"r1\", \"serial\":null,"
        " \"started_at\":\"2026-12-10T18:57:03.5+02:00\", \"port\": 4 }\r\n");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->runId, "r1");
    EXPECT_EQ(record->port, 4) << "a later duplicate wins";
    EXPECT_EQ(record->text, "\xC3\xA9\xF0\x9F\x92\xBE/\b\f\xEF\xBF\xBDx");
    EXPECT_EQ(FormatUtcMillis(record->startedAt), "2026-12-10T16:57:03.500Z");
    EXPECT_EQ(record->station, "") << "a missing key keeps its default";
}

TEST(RunRecordJson, RefusesWhatIsNotAWholeRecord) {
    struct Case {
        const char* why;
        std::string line;
    } cases[] = {
        {"empty", ""},
        {"torn line", R"({"run_id":"r1","station":"04_)"},
        {"no run id", R"({"station":"04_MP"})"},
        {"empty run id", R"({"run_id":""})"},
        {"array", R"(["run_id"])"},
        {"number for text", R"({"run_id":5})"},
        {"text for number", R"({"run_id":"r1","port":"4"})"},
        {"fraction for number", R"({"run_id":"r1","port":4.5})"},
        {"port out of range", R"({"run_id":"r1","port":99999999999})"},
        {"leading zero", R"({"run_id":"r1","drive":01})"},
        {"bad time", R"({"run_id":"r1","started_at":"2026-13-10T00:00:00.000Z"})"},
        {"time without zone", R"({"run_id":"r1","ended_at":"2026-12-10T00:00:00.000"})"},
        {"February 30", R"({"run_id":"r1","ended_at":"2026-02-30T00:00:00.000Z"})"},
        {"raw line break in text", "{\"run_id\":\"r1\",\"text\":\"a\nb\"}"},
        {"unknown escape", R"({"run_id":"r1","text":"\q"})"},
        {"short unicode escape", R"({"run_id":"r1","text":"\u12"})"},
        {"two objects", R"({"run_id":"r1"}{"run_id":"r2"})"},
        {"missing comma", R"({"run_id":"r1" "port":1})"},
        {"trailing comma", R"({"run_id":"r1",})"},
        {"bare word", R"({"run_id":"r1","x":nope})"},
        {"nested too deeply",
         "{\"run_id\":\"r1\",\"x\":" + std::string(200, '[') + std::string(200, ']') + "}"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(DecodeRunRecord(c.line, &error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
    }
}

} // namespace
} // namespace varnet
