#include "temp_dir.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace varnet::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnet-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteText(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string CaseName(std::string_view description) {
    std::string name;
    for (char c : description)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

std::filesystem::path SourceDir() {
    const char* dir = std::getenv("VARNET_SOURCE_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path(VARNET_SOURCE_DIR_DEFAULT);
}

} // namespace varnet::test
