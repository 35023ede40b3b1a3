#include "results/run_journal.h"

#include "platform/text_format.h"
#include "results/run_record_json.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnet {
namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

RunJournal::RunJournal(std::filesystem::path programFolder, std::function<std::string()> dayFolder,
                       ProblemReport onProblem)
    : programFolder_(std::move(programFolder)), dayFolder_(std::move(dayFolder)),
      onProblem_(std::move(onProblem)) {}

RunJournal::~RunJournal() {
    std::lock_guard lock(mutex_);
    CloseFile();
}

std::filesystem::path RunJournal::CurrentFile() const {
    return programFolder_ / "Log" / (dayFolder_ ? dayFolder_() : std::string()) / kRunJournalName;
}

Status RunJournal::WriteLine(const PortRunRecord& record) {
    const std::filesystem::path file = CurrentFile();
    std::string line = EncodeRunRecord(record);
    line += '\n';
    std::string report;
    Status written;
    {
        std::lock_guard lock(mutex_);
        written = Append(file, line);
        if (!written.ok()) {
            failures_.fetch_add(1);
            if (!failing_)
                report = Format("The run journal %s cannot be written: %s. Runs end as failed (record not "
                                "saved), and nothing is started until it can be written again.",
                                file.string().c_str(), written.message().c_str());
            failing_ = true;
        } else if (failing_) {
            failing_ = false;
            report = Format("The run journal %s is written again.", file.string().c_str());
        }
    }
    if (!report.empty() && onProblem_)
        onProblem_(report);
    return written;
}

Status RunJournal::CheckWritable() {
    const std::filesystem::path folder = CurrentFile().parent_path();
    std::lock_guard lock(mutex_);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return Status::Error(Format("cannot create %s: %s", folder.string().c_str(), ec.message().c_str()));
    std::string name = (folder / ".journal-probe.XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return Status::Error(ErrnoText(errno));
    // Gone at once: a program killed while it probes leaves nothing behind.
    ::unlink(name.c_str());
    // About what a few records take; a disk that cannot hold it cannot hold
    // the next line either.
    const std::string block(8192, '\n');
    errno = 0;
    int error = 0;
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
        error = errno != 0 ? errno : ENOSPC;
    else if (::fdatasync(fd) != 0)
        error = errno;
    ::close(fd);
    return error == 0 ? Status::Ok() : Status::Error(ErrnoText(error));
}

void RunJournal::CloseFile() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    openPath_.clear();
}

Status RunJournal::OpenFile(const std::filesystem::path& file) {
    CloseFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec)
        return Status::Error(
            Format("cannot create %s: %s", file.parent_path().string().c_str(), ec.message().c_str()));
    const bool existed = std::filesystem::exists(file, ec);
    // Read access too: the last byte tells whether a crash tore the last line.
    const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return Status::Error(ErrnoText(errno));
    if (!existed && !SyncFolder(file.parent_path())) {
        const int error = errno;
        ::close(fd);
        return Status::Error(ErrnoText(error));
    }
    // A line torn by an earlier crash is ended, so the next line stays whole
    // and readable on its own.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') {
            if (::write(fd, "\n", 1) != 1 || ::fdatasync(fd) != 0) {
                const int error = errno;
                ::close(fd);
                return Status::Error(ErrnoText(error));
            }
        }
    }
    fd_ = fd;
    openPath_ = file;
    return Status::Ok();
}

Status RunJournal::Append(const std::filesystem::path& file, const std::string& line) {
    if (fd_ < 0 || openPath_ != file) {
        const Status opened = OpenFile(file);
        if (!opened.ok())
            return opened;
    }
    struct stat before {};
    if (::fstat(fd_, &before) != 0) {
        const int error = errno;
        CloseFile();
        return Status::Error(ErrnoText(error));
    }
    const ssize_t written = ::write(fd_, line.data(), line.size());
    if (written != static_cast<ssize_t>(line.size())) {
        const int error = written < 0 ? errno : ENOSPC;
        // A part of a line would be read as a torn record: take it back.
        if (written > 0 && ::ftruncate(fd_, before.st_size) != 0) {
            // Nothing more can be done; the next open ends the torn line.
        }
        CloseFile();
        return Status::Error(ErrnoText(error));
    }
    if (::fdatasync(fd_) != 0) {
        const int error = errno;
        CloseFile();
        return Status::Error(ErrnoText(error));
    }
    return Status::Ok();
}

} // namespace varnet
