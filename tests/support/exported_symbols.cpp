#include "exported_symbols.h"

#include "temp_dir.h"

#include <elf.h>

#include <cstring>
#include <vector>

namespace varnet::test {

std::set<std::string> ExportedSymbols(const std::filesystem::path& file) {
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

} // namespace varnet::test
