// The library's interface as the loader sees it: exactly the contract's 18
// names in the dynamic symbol table, and the four the program never calls
// answering failure.
#include "mp_api_line.h"

#include <elf.h>

#include <cstring>
#include <set>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

// Names of the defined symbols other objects can bind to.
std::set<std::string> ExportedSymbols(const fs::path& file) {
    const std::string bytes = ReadText(file);
    std::set<std::string> names;
    if (bytes.size() < sizeof(Elf64_Ehdr) || bytes.compare(0, SELFMAG, ELFMAG) != 0 ||
        bytes[EI_CLASS] != ELFCLASS64)
        return names;
    auto at = [&](size_t offset, auto* out) { std::memcpy(out, bytes.data() + offset, sizeof(*out)); };
    Elf64_Ehdr header;
    at(0, &header);
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    for (size_t i = 0; i < sections.size(); ++i)
        at(header.e_shoff + i * header.e_shentsize, &sections[i]);
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_type != SHT_DYNSYM || section.sh_link >= sections.size())
            continue;
        const Elf64_Shdr& strings = sections[section.sh_link];
        for (size_t offset = 0; offset + sizeof(Elf64_Sym) <= section.sh_size; offset += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            at(section.sh_offset + offset, &symbol);
            const int binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF ||
                (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE))
                continue;
            names.insert(bytes.data() + strings.sh_offset + symbol.st_name);
        }
    }
    return names;
}

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
