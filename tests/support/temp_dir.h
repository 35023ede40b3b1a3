// A scratch folder per test, removed afterwards, with small file helpers.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnet::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void WriteText(const std::filesystem::path& file, std::string_view bytes);
std::string ReadText(const std::filesystem::path& file);

// A test-name-safe form of a case's description.
std::string CaseName(std::string_view description);

// Folder of the project's sources (for fixtures), from the test environment.
std::filesystem::path SourceDir();

} // namespace varnet::test
