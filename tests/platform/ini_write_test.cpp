// Changing INI files: where lines go, what is kept byte for byte, removal, and
// that no writer ever undoes another's key.
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace varnet {
namespace {

struct Op {
    enum Kind { kSet, kSetInt, kRemoveKey, kRemoveSection } kind;
    const char* section;
    const char* key;
    const char* value;
    int64_t number = 0; // kSetInt
};

struct WriteCase {
    const char* name;
    const char* before; // nullptr: no file
    std::vector<Op> ops;
    const char* after;
};

const WriteCase kWriteCases[] = {
    {"new file gets CRLF", nullptr, {{Op::kSet, "A", "k", "1"}}, "[A]\r\nk=1\r\n"},
    {"new key goes at the end of its section",
     "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n",
     {{Op::kSet, "A", "k", "v"}},
     "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
    {"new section goes at the end",
     "[A]\r\nx=1\r\n",
     {{Op::kSet, "B", "k", "v"}},
     "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
    {"LF file stays LF",
     "[A]\nx=1\n",
     {{Op::kSet, "A", "k", "v"}, {Op::kSet, "C", "c", "3"}},
     "[A]\nx=1\nk=v\n[C]\nc=3\n"},
    {"file without final newline", "[A]\r\nx=1", {{Op::kSet, "A", "k", "v"}}, "[A]\r\nx=1\r\nk=v\r\n"},
    {"new section after a file without final newline",
     "[A]\nx=1",
     {{Op::kSet, "B", "k", "v"}},
     "[A]\nx=1\n[B]\nk=v\n"},
    {"changed key keeps its place and spelling, others their bytes",
     "; head\r\n[A]\r\n  SerialNum = old \r\nother = x \r\n",
     {{Op::kSet, "a", "serialnum", "new"}},
     "; head\r\n[A]\r\nSerialNum=new\r\nother = x \r\n"},
    {"mixed line ends kept per line", "[A]\nx=1\r\ny=2\n", {{Op::kSet, "A", "y", "3"}}, "[A]\nx=1\r\ny=3\n"},
    {"empty value writes key=", "[A]\r\n", {{Op::kSet, "A", "k", ""}}, "[A]\r\nk=\r\n"},
    {"remove key", "[A]\r\nk=1\r\nj=2\r\n", {{Op::kRemoveKey, "A", "K", nullptr}}, "[A]\r\nj=2\r\n"},
    {"remove key removes its duplicates in the section read",
     "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n",
     {{Op::kRemoveKey, "A", "k", nullptr}},
     "[A]\r\n[a]\r\nk=3\r\n"},
    {"remove missing key leaves file alone",
     "[A]\r\nj=2\r\n",
     {{Op::kRemoveKey, "A", "k", nullptr}},
     "[A]\r\nj=2\r\n"},
    {"remove section with every duplicate",
     "[A]\r\nk=1\r\n[B]\r\nb=1\r\n[a]\r\nk=2\r\n",
     {{Op::kRemoveSection, "A", nullptr, nullptr}},
     "[B]\r\nb=1\r\n"},
    {"removed section written again goes to the end",
     "[A]\r\nk=1\r\n[B]\r\nb=1\r\n",
     {{Op::kRemoveSection, "A", nullptr, nullptr}, {Op::kSet, "A", "k", "2"}},
     "[B]\r\nb=1\r\n[A]\r\nk=2\r\n"},
    {"new key goes before blank lines and after comments",
     "[A]\r\nx=1\r\n; end of A\r\n\r\n\r\n[B]\r\n",
     {{Op::kSet, "A", "k", "v"}},
     "[A]\r\nx=1\r\n; end of A\r\nk=v\r\n\r\n\r\n[B]\r\n"},
    {"new section after a final lone CR",
     "[A]\r\nk=1\r",
     {{Op::kSet, "B", "k", "v"}},
     "[A]\r\nk=1\r\n[B]\r\nk=v\r\n"},
    {"key into an empty last section without newline", "[A]", {{Op::kSet, "A", "k", "v"}}, "[A]\r\nk=v\r\n"},
    {"key without '=' is replaced by a written value", "[A]\nk\n", {{Op::kSet, "A", "k", "v"}}, "[A]\nk=v\n"},
    {"CR-only file stays CR-only",
     "[A]\rx=1\r",
     {{Op::kSet, "A", "k", "v"}, {Op::kSet, "C", "c", "3"}},
     "[A]\rx=1\rk=v\r[C]\rc=3\r"},
    {"key changed in a CR-only file keeps the other lines",
     "[A]\rk=1\rj=2\r[B]\rk=1",
     {{Op::kSet, "A", "k", "5"}, {Op::kSet, "B", "n", "6"}},
     "[A]\rk=5\rj=2\r[B]\rk=1\rn=6\r"},
    {"key removed from a CR-only file",
     "[A]\rk=1\rj=2\r",
     {{Op::kRemoveKey, "A", "k", nullptr}},
     "[A]\rj=2\r"},
    {"lone CR inside an LF file ends a line",
     "[A]\nx=1\rk=2\n",
     {{Op::kSet, "A", "k", "3"}},
     "[A]\nx=1\rk=3\n"},
    {"integer written as 32-bit %d",
     "[Flash Info]\r\n",
     {{Op::kSetInt, "Flash Info", "Flh_Number", nullptr, 4294967293},
      {Op::kSetInt, "Flash Info", "Flh_Capacity", nullptr, 524288},
      {Op::kSetInt, "Flash Info", "Negative", nullptr, -12},
      {Op::kSetInt, "Flash Info", "Top", nullptr, 2147483648},
      {Op::kSetInt, "Flash Info", "Wrap", nullptr, 4294967296},
      {Op::kSetInt, "Flash Info", "High", nullptr, 0x100000005}},
     "[Flash Info]\r\nFlh_Number=-3\r\nFlh_Capacity=524288\r\nNegative=-12\r\n"
     "Top=-2147483648\r\nWrap=0\r\nHigh=5\r\n"},
    {"unchanged write leaves bytes alone",
     "[A]\r\nk = 1 \r\n",
     {{Op::kSet, "A", "k", "1"}},
     "[A]\r\nk=1\r\n"},
};

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

void ApplyAll(const WriteCase& c, const std::filesystem::path& file, bool asDocument) {
    if (asDocument) {
        IniDocument doc = IniDocument::Load(file);
        for (const Op& op : c.ops) {
            if (op.kind == Op::kSet)
                doc.SetString(op.section, op.key, op.value);
            else if (op.kind == Op::kSetInt)
                doc.SetInt(op.section, op.key, op.number);
            else if (op.kind == Op::kRemoveKey)
                doc.RemoveKey(op.section, op.key);
            else
                doc.RemoveSection(op.section);
        }
        ASSERT_TRUE(doc.Save().ok());
        return;
    }
    for (const Op& op : c.ops) {
        Status status = op.kind == Op::kSet         ? IniWriteString(file, op.section, op.key, op.value)
                        : op.kind == Op::kSetInt    ? IniWriteInt(file, op.section, op.key, op.number)
                        : op.kind == Op::kRemoveKey ? IniRemoveKey(file, op.section, op.key)
                                                    : IniRemoveSection(file, op.section);
        ASSERT_TRUE(status.ok()) << status.message();
    }
}

TEST_P(IniWrite, SingleKeyCallsAndDocumentWriteTheSameBytes) {
    const WriteCase& c = GetParam();
    for (bool asDocument : {false, true}) {
        test::TempDir dir;
        const auto file = dir / "t.ini";
        if (c.before)
            test::WriteText(file, c.before);
        ApplyAll(c, file, asDocument);
        EXPECT_EQ(test::ReadText(file), c.after) << (asDocument ? "document" : "single-key calls");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, IniWrite, ::testing::ValuesIn(kWriteCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

TEST(IniWrite, RemovingFromAMissingFileCreatesNothing) {
    test::TempDir dir;
    EXPECT_TRUE(IniRemoveKey(dir / "none.ini", "A", "k").ok());
    EXPECT_TRUE(IniRemoveSection(dir / "none.ini", "A").ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

TEST(IniWrite, UnstorableNamesAndValuesAreRefusedAndChangeNothing) {
    test::TempDir dir;
    const auto file = dir / "t.ini";
    test::WriteText(file, "[A]\r\nk=1\r\n");
    EXPECT_FALSE(IniWriteString(file, "A", "k", "1\r\n[Evil]\r\nx=1").ok());
    EXPECT_FALSE(IniWriteString(file, "A", "a=b", "1").ok());
    EXPECT_FALSE(IniWriteString(file, "A", ";c", "1").ok());
    EXPECT_FALSE(IniWriteString(file, "A\n", "k", "1").ok());
    EXPECT_FALSE(IniWriteString(file, "", "k", "1").ok());
    EXPECT_EQ(test::ReadText(file), "[A]\r\nk=1\r\n");

    IniDocument doc = IniDocument::Load(file);
    doc.SetString("A", "j", "2");
    doc.SetString("A", "k", "bad\nvalue");
    const Status status = doc.Save();
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("t.ini"), std::string::npos);
    EXPECT_EQ(test::ReadText(file), "[A]\r\nk=1\r\n");
}

TEST(IniWrite, RemoveSectionKeepingNamedKeys) {
    test::TempDir dir;
    const auto file = dir / "t.ini";
    test::WriteText(file,
                    "[General Info]\r\nTestStationSel=3\r\nSlotNumber=24\r\nModelName=M\r\nMapType=1\r\n"
                    "[Other]\r\nx=1\r\n[general info]\r\nSlotNumber=8\r\n");
    IniDocument doc = IniDocument::Load(file);
    doc.RemoveSection("General Info", {"MapType", "SlotNumber", "Absent"});
    doc.SetString("General Info", "TestStationSel", "4");
    ASSERT_TRUE(doc.Save().ok());
    EXPECT_EQ(test::ReadText(file),
              "[General Info]\r\nSlotNumber=24\r\nMapType=1\r\nTestStationSel=4\r\n[Other]\r\nx=1\r\n");

    // With none of the kept keys present the section goes as a whole.
    IniDocument again = IniDocument::Load(file);
    again.RemoveSection("Other", {"y"});
    ASSERT_TRUE(again.Save().ok());
    EXPECT_EQ(test::ReadText(file), "[General Info]\r\nSlotNumber=24\r\nMapType=1\r\nTestStationSel=4\r\n");
}

TEST(IniDocument, ReadsSeeOwnChangesBeforeSave) {
    test::TempDir dir;
    IniDocument doc(dir / "t.ini");
    doc.SetInt("A", "n", -12);
    doc.SetHex("A", "h", 0x49);
    EXPECT_EQ(doc.GetInt("A", "n", 0), -12);
    EXPECT_EQ(doc.GetString("A", "h", "", 8), "49");
    EXPECT_FALSE(std::filesystem::exists(dir / "t.ini"));
    ASSERT_TRUE(doc.Save().ok());
    EXPECT_EQ(test::ReadText(dir / "t.ini"), "[A]\r\nn=-12\r\nh=49\r\n");
    EXPECT_FALSE(doc.HasChanges());
}

TEST(IniDocument, SaveDoesNotUndoKeysWrittenSinceLoad) {
    test::TempDir dir;
    const auto file = dir / "station.ini";
    test::WriteText(file, "[General Info]\r\nSerialNum=A0001\r\nModelName=M1\r\n");
    IniDocument doc = IniDocument::Load(file);
    // A port writes its serial number back while the document is open.
    ASSERT_TRUE(IniWriteString(file, "General Info", "SerialNum", "A0002").ok());
    ASSERT_TRUE(IniWriteString(file, "SN Set", "SN_Start", "A0003").ok());
    doc.SetString("General Info", "ModelName", "M2");
    ASSERT_TRUE(doc.Save().ok());
    EXPECT_EQ(test::ReadText(file),
              "[General Info]\r\nSerialNum=A0002\r\nModelName=M2\r\n[SN Set]\r\nSN_Start=A0003\r\n");
    EXPECT_EQ(doc.GetString("SN Set", "SN_Start", "", 64), "A0003");
}

TEST(IniConcurrency, TwentyFourThreadsWritingOneFileLoseNoKey) {
    test::TempDir dir;
    const auto file = dir / "shared.ini";
    test::WriteText(file, "[General Info]\r\nModelName=M\r\n");
    constexpr int kThreads = 24;
    constexpr int kRounds = 8;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                const std::string key = "Port" + std::to_string(t) + "_" + std::to_string(r);
                if (r % 2 == 0) {
                    failures[t] += !IniWriteString(file, "Ports", key, std::to_string(t * 100 + r)).ok();
                } else {
                    IniDocument doc = IniDocument::Load(file);
                    doc.SetInt("Ports", key, t * 100 + r);
                    doc.SetInt("Port_" + std::to_string(t), "Round", r);
                    failures[t] += !doc.Save().ok();
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const IniDocument result = IniDocument::Load(file);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        for (int r = 0; r < kRounds; ++r) {
            const std::string key = "Port" + std::to_string(t) + "_" + std::to_string(r);
            EXPECT_EQ(result.GetInt("Ports", key, -1), t * 100 + r) << key;
        }
        EXPECT_EQ(result.GetInt("Port_" + std::to_string(t), "Round", -1), kRounds - 1);
    }
    EXPECT_EQ(result.GetString("General Info", "ModelName", "", 16), "M");
}

// A write that fails half way (here: the file size limit, as a full disk
// would) must leave the old file whole and say so.
TEST(AtomicWrite, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    const auto file = dir / "station.ini";
    const std::string old = "[General Info]\r\nModelName=Old\r\n";
    test::WriteText(file, old);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    IniDocument doc = IniDocument::Load(file);
    doc.SetString("General Info", "ModelName", std::string(200, 'x'));
    const Status status = doc.Save();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_FALSE(status.ok());
    EXPECT_EQ(test::ReadText(file), old);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "station.ini") << "temporary file left behind";
    // The changes are still there for another try.
    EXPECT_TRUE(doc.HasChanges());
    EXPECT_TRUE(doc.Save().ok());
    EXPECT_EQ(IniGetString(file, "General Info", "ModelName", "", 512), std::string(200, 'x'));
}

TEST(AtomicWrite, UnreadableFileIsNeverOverwritten) {
    test::TempDir dir;
    const auto folder = dir / "station.ini"; // a folder where a file is expected
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(IniWriteString(folder, "A", "k", "1").ok());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(AtomicWrite, ReplacingKeepsPermissionsAndLinks) {
    test::TempDir dir;
    const auto real = dir / "real.ini";
    test::WriteText(real, "[A]\r\nk=1\r\n");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink(real, dir / "link.ini");
    ASSERT_TRUE(IniWriteString(dir / "link.ini", "A", "k", "2").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(test::ReadText(real), "[A]\r\nk=2\r\n");
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

} // namespace
} // namespace varnet
