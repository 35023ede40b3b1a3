#include "results/journal_reader.h"

#include "platform/text_format.h"
#include "results/run_journal.h"
#include "results/run_record_json.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnet {

std::vector<std::filesystem::path> JournalFiles(const std::filesystem::path& programFolder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(programFolder / "Log", ec)) {
        std::error_code typeError;
        if (!entry.is_directory(typeError))
            continue;
        const std::filesystem::path file = entry.path() / kRunJournalName;
        if (std::filesystem::is_regular_file(file, typeError))
            files.push_back(file);
    }
    std::sort(files.begin(), files.end());
    return files;
}

Status ReadJournal(const std::filesystem::path& file, uint64_t offset, JournalRead& read) {
    read = JournalRead{};
    read.endOffset = offset;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Status::Error(Format("cannot open %s: %s", file.string().c_str(), std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) < offset) {
        ::close(fd);
        return Status::Error(Format("cannot read %s from byte %llu", file.string().c_str(),
                                    static_cast<unsigned long long>(offset)));
    }
    std::string bytes(static_cast<size_t>(static_cast<uint64_t>(st.st_size) - offset), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);

    size_t start = 0;
    for (;;) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            break;
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty()) {
            if (auto record = DecodeRunRecord(line))
                read.records.push_back(std::move(*record));
            else
                ++read.badLines;
        }
        start = end + 1;
    }
    read.endOffset = offset + start;
    return Status::Ok();
}

} // namespace varnet
