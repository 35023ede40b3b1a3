// What a built shared object offers other objects: the names in its dynamic
// symbol table, for the tests that check a stand-in library exports its
// contract's entry points and nothing else.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace varnet::test {

// Names of the defined symbols other objects can bind to; empty for a file
// that is no 64-bit ELF object.
std::set<std::string> ExportedSymbols(const std::filesystem::path& file);

} // namespace varnet::test
