#include "results/journal_reader.h"

#include "platform/diagnostic_log.h"
#include "platform/port_count.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "results/run_journal.h"
#include "results/run_record_json.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace varnet {
namespace {

// Line breaks in the bytes before offset: the journal is read on from where
// the last read stopped, and a skipped line is named by its place in the file.
int64_t LinesBefore(int fd, uint64_t offset) {
    int64_t lines = 0;
    char buffer[65536];
    uint64_t at = 0;
    while (at < offset) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, offset - at));
        const ssize_t n = ::pread(fd, buffer, want, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        lines += std::count(buffer, buffer + n, '\n');
        at += static_cast<uint64_t>(n);
    }
    return lines;
}

} // namespace

std::string RunRecordFault(const PortRunRecord& record) {
    if (record.runId.empty())
        return "it has no run id";
    if (record.port < 1 || record.port > kPortCount)
        return Format("its port %d is outside 1-%d", record.port, kPortCount);
    // A run still going on (the line of the serial number it took) has no
    // verdict yet; any verdict it would carry is not one.
    if (record.inProgress) {
        if (!record.verdict.empty())
            return Format("a run still going on has the verdict \"%s\"", ValidUtf8(record.verdict).c_str());
    } else if (record.verdict != kVerdictPass && record.verdict != kVerdictFail &&
               record.verdict != kVerdictError && record.verdict != kVerdictTimeout)
        return Format("its verdict \"%s\" is not Pass, Fail, Error or Timeout",
                      ValidUtf8(record.verdict).c_str());
    if (TrimBlanks(record.station).empty())
        return "it names no station";
    if (record.drive < 0)
        return Format("its drive %d is negative", static_cast<int>(record.drive));
    if (record.startedAt == std::chrono::system_clock::time_point{})
        return "it has no start time";
    if (record.durationMs < 0)
        return Format("its duration %lld ms is negative", static_cast<long long>(record.durationMs));
    return {};
}

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
    bytes.resize(got);

    size_t start = 0;
    int64_t lineNumber = 0; // within the bytes read
    for (;;) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            break;
        ++lineNumber;
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty()) {
            std::string reason;
            std::optional<PortRunRecord> record = DecodeRunRecord(line, &reason);
            if (record) {
                reason = RunRecordFault(*record);
                if (reason.empty())
                    read.records.push_back(std::move(*record));
            } else if (reason.empty()) {
                reason = "it is not a run record";
            }
            if (!reason.empty())
                read.skipped.push_back({lineNumber, std::move(reason)});
        }
        start = end + 1;
    }
    read.endOffset = offset + start;
    read.badLines = static_cast<int64_t>(read.skipped.size());
    if (!read.skipped.empty()) {
        const int64_t before = offset > 0 ? LinesBefore(fd, offset) : 0;
        for (SkippedJournalLine& skipped : read.skipped) {
            skipped.line += before;
            LogDiagnostic(kNoPort, Format("%s line %lld skipped: %s", file.string().c_str(),
                                          static_cast<long long>(skipped.line), skipped.reason.c_str()));
        }
        LogDiagnostic(kNoPort, Format("%s: %lld line(s) skipped, %zu run(s) read", file.string().c_str(),
                                      static_cast<long long>(read.badLines), read.records.size()));
    }
    ::close(fd);
    return Status::Ok();
}

} // namespace varnet
