// Reading keys with the private-profile semantics the device library relies on.
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "platform/ini_values.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace varnet {
namespace {

struct ReadCase {
    const char* name;
    const char* file;
    const char* section;
    const char* key;
    const char* def;
    size_t size;
    const char* expected;
};

const ReadCase kReadCases[] = {
    {"plain", "[A]\r\nk=v\r\n", "A", "k", "d", 64, "v"},
    {"section name in other case", "[General Info]\nkey=1\n", "GENERAL INFO", "key", "d", 64, "1"},
    {"key name in other case", "[A]\nSerialNum=X1\n", "A", "serialnum", "d", 64, "X1"},
    {"blanks around names and value", "[ A ]\n  Flash Clock \t=  150 \t\n", "A", "Flash Clock", "d", 64,
     "150"},
    {"blanks inside a value stay", "[A]\nk= a  b \n", "A", "k", "d", 64, "a  b"},
    {"first duplicate key wins", "[A]\nk=1\nk=2\n", "A", "k", "d", 64, "1"},
    {"first duplicate section wins", "[A]\nk=1\n[B]\n[a]\nk=2\nj=3\n", "A", "k", "d", 64, "1"},
    {"key only in a later duplicate section is not read", "[A]\nk=1\n[a]\nj=3\n", "A", "j", "d", 64, "d"},
    {"comment line is no key", "[A]\n;k=1\n k=2\n", "A", ";k", "d", 64, "d"},
    {"comment line does not hide the key", "[A]\n; note\nk=2\n", "A", "k", "d", 64, "2"},
    {"double quotes removed", "[A]\nk=\"a b\"\n", "A", "k", "d", 64, "a b"},
    {"single quotes removed", "[A]\nk='a b'\n", "A", "k", "d", 64, "a b"},
    {"unmatched quotes stay", "[A]\nk=\"a b'\n", "A", "k", "d", 64, "\"a b'"},
    {"only one pair of quotes removed", "[A]\nk=\"\"x\"\"\n", "A", "k", "d", 64, "\"x\""},
    {"2.5 inch form factor keeps its quote", "[A]\nSSD Size=2.5\"\n", "A", "SSD Size", "d", 128, "2.5\""},
    {"missing section gives default", "[A]\nk=1\n", "B", "k", "dflt", 64, "dflt"},
    {"missing key gives default", "[A]\nk=1\n", "A", "j", "dflt", 64, "dflt"},
    {"key without '=' gives default", "[A]\nk\n", "A", "k", "dflt", 64, "dflt"},
    {"empty value is empty, not default", "[A]\nk=\n", "A", "k", "dflt", 64, ""},
    {"cut to buffer size - 1", "[A]\nk=123456789\n", "A", "k", "d", 5, "1234"},
    {"default cut too", "[A]\n", "A", "k", "abcdef", 3, "ab"},
    {"default loses its trailing blanks", "[A]\n", "A", "k", "one two  ", 64, "one two"},
    {"default loses trailing tabs, keeps leading blanks", "", "A", "k", "  one\t \t", 64, "  one"},
    {"default of blanks only is empty", "[A]\n", "A", "k", "   ", 64, ""},
    {"value read keeps no blanks either", "[A]\nk=one two  \n", "A", "k", "d", 64, "one two"},
    {"buffer of one keeps nothing", "[A]\nk=xyz\n", "A", "k", "d", 1, ""},
    {"LF file", "[A]\nk=lf\n[B]\nk=b\n", "B", "k", "d", 64, "b"},
    {"CRLF file", "[A]\r\nk=crlf\r\n[B]\r\nk=b\r\n", "A", "k", "d", 64, "crlf"},
    {"no final newline", "[A]\r\nk=last", "A", "k", "d", 64, "last"},
    {"no final newline after CR", "[A]\nk=last\r", "A", "k", "d", 64, "last"},
    {"CR-only file", "[A]\rk=cr\r[B]\rk=b\r", "B", "k", "d", 64, "b"},
    {"CR-only file first section", "[A]\rx=1\rk=cr\r[B]\rk=b", "A", "k", "d", 64, "cr"},
    {"CR-only file ends a section at the next header", "[A]\rk=1\r[B]\rj=2\r", "A", "j", "d", 64, "d"},
    {"lone CR inside an LF file ends a line", "[A]\nx=1\rk=2\n", "A", "k", "d", 64, "2"},
    {"lone CR inside a CRLF file ends the value before it", "[A]\r\nk=1\rj=2\r\n", "A", "k", "d", 64, "1"},
    {"CR CR LF is a line and an empty line", "[A]\r\r\nk=3\r\n", "A", "k", "d", 64, "3"},
    {"keys before any section are not read", "k=0\n[A]\nk=1\n", "A", "k", "d", 64, "1"},
    {"'=' inside a value", "[A]\nk=a=b\n", "A", "k", "d", 64, "a=b"},
    {"header with blanks before it", "  [A]  \nk=1\n", "A", "k", "d", 64, "1"},
    {"header without ']' is no section", "[A\nk=1\n", "A", "k", "d", 64, "d"},
    {"UTF-8 value kept as bytes", "[A]\nk=85℃\n", "A", "k", "d", 64, "85℃"},
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, SingleKeyAndDocumentAgree) {
    const ReadCase& c = GetParam();
    test::TempDir dir;
    const auto file = dir / "t.ini";
    test::WriteText(file, c.file);
    EXPECT_EQ(IniGetString(file, c.section, c.key, c.def, c.size), c.expected);
    EXPECT_EQ(IniDocument::Load(file).GetString(c.section, c.key, c.def, c.size), c.expected);
    const auto bytes = test::ReadText(file);
    EXPECT_EQ(IniText::FindIn(bytes, c.section, c.key), IniText::Parse(bytes).Find(c.section, c.key));
}

INSTANTIATE_TEST_SUITE_P(Cases, IniRead, ::testing::ValuesIn(kReadCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

TEST(IniRead, MissingFileGivesDefaults) {
    test::TempDir dir;
    EXPECT_EQ(IniGetString(dir / "none.ini", "A", "k", "def", 64), "def");
    EXPECT_EQ(IniGetInt(dir / "none.ini", "A", "k", 42), 42);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

struct IntCase {
    const char* value; // nullptr: key absent
    int32_t def;
    int32_t expected;
};

TEST(IniValues, IntegerReads) {
    const IntCase cases[] = {
        {nullptr, 7, 7},
        {"", 7, 7},
        {"12", 7, 12},
        {"12abc", 7, 12},
        {"abc", 7, 0},
        {"-5", 7, -5},
        {"+5", 7, 5},
        {"-", 7, 0},
        {"0x1F", 7, 0},
        {"007", 7, 7},
        {"4294967295", 0, -1},
        {"4294967296", 0, 0},
        {"2147483648", 0, INT32_MIN},
    };
    for (const IntCase& c : cases) {
        const auto value = c.value ? std::optional<std::string_view>(c.value) : std::nullopt;
        EXPECT_EQ(ParseProfileInt(value, c.def), c.expected) << (c.value ? c.value : "(absent)");
    }
}

TEST(IniValues, IntegerReadThroughTheFileWithAnyLineEnd) {
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        test::TempDir dir;
        const auto file = dir / "t.ini";
        std::string text = "[A]\nn= 150 MHz\nneg=-3\nempty=\ntext=abc\n[B]\nn=7\n";
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
            text.replace(at, 1, eol);
            at += std::string_view(eol).size() - 1;
        }
        test::WriteText(file, text);
        const IniDocument doc = IniDocument::Load(file);
        for (const auto& [section, key, def, expected] :
             {std::tuple<const char*, const char*, int32_t, int32_t>{"a", "N", 0, 150},
              {"A", "neg", 0, -3},
              {"A", "empty", 9, 9},
              {"A", "text", 9, 0},
              {"A", "none", 9, 9},
              {"B", "n", 0, 7}}) {
            EXPECT_EQ(IniGetInt(file, section, key, def), expected) << key << " with " << int(eol[0]);
            EXPECT_EQ(doc.GetInt(section, key, def), expected) << key << " with " << int(eol[0]);
        }
    }
}

TEST(IniValues, HexDigitByDigit) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"49", 0x49}, {"FF", 0xFF}, {"ff", 0xFF}, {"0A", 0x0A}, {"1", 1},   {"", 0},
        {"G1", 0x01}, {"1G", 0x10}, {"E8", 232},  {"03", 3},    {"x y", 0}, {"123", 0x123},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseHexDigits(text), expected) << text;
    EXPECT_EQ(HexByteText(0x49), "49");
    EXPECT_EQ(HexByteText(3), "03");
    EXPECT_EQ(HexByteText(0xE8), "E8");
}

TEST(IniValues, HexKeyWithDefaultText) {
    test::TempDir dir;
    const auto file = dir / "t.ini";
    test::WriteText(file, "[RDT]\nByte_101=03\nByte_147=zz\n");
    const IniDocument doc = IniDocument::Load(file);
    EXPECT_EQ(doc.GetHex("RDT", "Byte_101", "0"), 3u);
    EXPECT_EQ(doc.GetHex("RDT", "Byte_147", "0"), 0u);
    EXPECT_EQ(doc.GetHex("RDT", "Byte_149", "1"), 1u);
}

} // namespace
} // namespace varnet
