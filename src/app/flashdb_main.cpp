// varnet-flashdb: makes the station's scrambled flash database from a readable
// table and prints one back as a table.
//
//   varnet-flashdb write TABLE OUTPUT   exit 0 written, 1 bad or unreadable table / write failed
//   varnet-flashdb dump FILE            exit 0 printed, 1 unreadable file
//   bad arguments                       usage on stderr, exit 2
#include "config/flash_database.h"
#include "config/flash_table.h"
#include "config/scrambled_file.h"
#include "platform/file_io.h"
#include "varnet_version.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: varnet-flashdb write TABLE OUTPUT   make a scrambled flash database\n"
    "       varnet-flashdb dump FILE            print a flash database as a table\n"
    "       varnet-flashdb --help | --version\n"
    "\n"
    "Exit codes: 0 done, 1 a bad or unreadable table or file, or a failed write,\n"
    "2 wrong arguments.\n";

int Usage(FILE* to, int exitCode) {
    std::fputs(kUsage, to);
    return exitCode;
}

bool ReadInput(const char* path, std::string& bytes) {
    varnet::FileRead read = varnet::ReadFile(path);
    if (read.outcome == varnet::FileRead::kRead) {
        bytes = std::move(read.bytes);
        return true;
    }
    if (read.outcome == varnet::FileRead::kMissing)
        std::fprintf(stderr, "varnet-flashdb: cannot open %s: no such file\n", path);
    else
        std::fprintf(stderr, "varnet-flashdb: %s\n", read.error.c_str());
    return false;
}

int Write(const char* tablePath, const char* outputPath) {
    std::string text;
    if (!ReadInput(tablePath, text))
        return 1;
    const varnet::FlashTable table = varnet::ParseFlashTable(text);
    if (!table.ok()) {
        for (const std::string& error : table.errors)
            std::fprintf(stderr, "varnet-flashdb: %s: %s\n", tablePath, error.c_str());
        std::fprintf(stderr, "varnet-flashdb: %zu bad line(s); %s not written\n", table.errors.size(),
                     outputPath);
        return 1;
    }
    // A database without records would make every drive's flash unknown.
    if (table.records.empty()) {
        std::fprintf(stderr, "varnet-flashdb: %s holds no records; %s not written\n", tablePath, outputPath);
        return 1;
    }
    const std::vector<uint8_t> bytes = varnet::EncodeFlashDatabase(table.records);
    const varnet::Status written = varnet::WriteFileAtomically(
        outputPath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!written.ok()) {
        std::fprintf(stderr, "varnet-flashdb: %s\n", written.message().c_str());
        return 1;
    }
    std::printf("%zu records written to %s\n", table.records.size(), outputPath);
    return 0;
}

int Dump(const char* path) {
    std::string bytes;
    if (!ReadInput(path, bytes))
        return 1;
    varnet::FlashDatabase db;
    db.LoadFromBytes(varnet::AsBytes(bytes));
    if (const size_t rest = bytes.size() % varnet::kFlashRecordSize; rest != 0)
        std::fprintf(stderr, "varnet-flashdb: %s: last %zu bytes ignored (not a whole %zu-byte record)\n",
                     path, rest, varnet::kFlashRecordSize);
    const std::string table = varnet::FormatFlashTable(db.Records());
    std::fwrite(table.data(), 1, table.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h"))
        return Usage(stdout, 0);
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("varnet-flashdb %s\n", VARNET_VERSION);
        return 0;
    }
    if (argc == 4 && std::string_view(argv[1]) == "write")
        return Write(argv[2], argv[3]);
    if (argc == 3 && std::string_view(argv[1]) == "dump")
        return Dump(argv[2]);
    return Usage(stderr, 2);
}
