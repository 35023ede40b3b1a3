#include "mplib/hosted_mp_library.h"

#include "platform/diagnostic_log.h"
#include "platform/text_format.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace varnet {
namespace {

using mphost::Op;

constexpr auto kHelloWait = std::chrono::seconds(10);

void CopyOut(const mphost::ErrorBuffer& from, char* to) {
    if (to)
        std::memcpy(to, from.data(), from.size());
}

void CopyIn(const char* from, mphost::ErrorBuffer& to) {
    if (from)
        std::memcpy(to.data(), from, to.size());
}

} // namespace

const char* LibraryFault::Verdict() const {
    return kind == kTimedOut ? "Timeout" : "Error";
}

std::string LibraryFault::TileText(std::string_view prefix, int language) const {
    const bool chinese = language == 1;
    const std::string head = Format("%.*sFail!\r\n", static_cast<int>(prefix.size()), prefix.data());
    switch (kind) {
    case kCrashed:
        return head +
               Format(chinese ? "库崩溃: %s" : "Library crashed: %s", mphost::SignalName(signal).c_str());
    case kExited:
        return head + Format(chinese ? "库已退出: %d" : "Library exited: %d", exitCode);
    case kTimedOut:
        return head + Format(chinese ? "库超时 %d 秒" : "Library timed out after %d s", seconds);
    case kUnreapable:
        return head + (chinese ? "库无响应: 请重新插拔硬盘" : "Library stuck: replug the drive");
    case kRefused:
        return head + (chinese ? "库 10 分钟内崩溃 3 次: 请按刷新"
                               : "Library crashed 3 times in 10 minutes: press Refresh");
    case kUnavailable:
        break;
    }
    return head + (chinese ? "库主机不可用" : "Library host unavailable");
}

HostedMpLibrary::HostedMpLibrary(std::filesystem::path hostProgram, std::filesystem::path library,
                                 LibrarySettings settings)
    : hostProgram_(std::move(hostProgram)), library_(std::move(library)), settings_(std::move(settings)) {}

std::optional<HostFault> HostedMpLibrary::TakeFault() {
    std::lock_guard lock(faultMutex_);
    std::optional<HostFault> fault = std::move(fault_);
    fault_.reset();
    return fault;
}

void HostedMpLibrary::NoteFault(HostFault fault) {
    LogDiagnostic(kNoPort, Format("library host: %s in %s%s%s", fault.Verdict(), fault.entryPoint.c_str(),
                                  fault.detail.empty() ? "" : ": ", fault.detail.c_str()));
    std::lock_guard lock(faultMutex_);
    fault_ = std::move(fault);
}

Status HostedMpLibrary::EnsureHost() {
    if (host_.Running())
        return Status::Ok();
    mphost::Reply hello;
    if (Status started = host_.Start(hostProgram_, library_, kHelloWait, hello); !started.ok())
        return started;
    if (hello.result == 0) {
        (void)host_.Kill(host_.reapWait);
        return Status::Error(hello.text.empty() ? "the library did not load" : hello.text);
    }
    return Status::Ok();
}

Status HostedMpLibrary::Warm() {
    return EnsureHost();
}

void HostedMpLibrary::Reset() {
    crashes_.clear();
    stuck_ = false;
}

void HostedMpLibrary::Stop() {
    (void)host_.Kill(host_.reapWait);
}

bool HostedMpLibrary::Run(mphost::Request& request, int32_t* progress, mphost::Reply& reply) {
    HostFault fault;
    fault.entryPoint = mphost::EntryPointName(request.op);
    const auto now = std::chrono::steady_clock::now();
    while (!crashes_.empty() && now - crashes_.front() > kCrashWindow)
        crashes_.pop_front();
    if (stuck_) {
        fault.kind = HostFault::kUnreapable;
        NoteFault(std::move(fault));
        return false;
    }
    if (static_cast<int>(crashes_.size()) >= kCrashLimit) {
        fault.kind = HostFault::kRefused;
        NoteFault(std::move(fault));
        return false;
    }
    if (Status started = EnsureHost(); !started.ok()) {
        fault.kind = HostFault::kUnavailable;
        fault.detail = started.message();
        NoteFault(std::move(fault));
        return false;
    }
    const std::chrono::seconds budget = settings_.TimeoutFor(fault.entryPoint.c_str());
    mphost::CallOutcome outcome = host_.Call(std::move(request), budget, progress);
    switch (outcome.kind) {
    case mphost::CallOutcome::kReplied:
        reply = std::move(outcome.reply);
        return true;
    case mphost::CallOutcome::kCrashed:
        fault.kind = HostFault::kCrashed;
        fault.signal = outcome.signal;
        crashes_.push_back(now);
        break;
    case mphost::CallOutcome::kExited:
        fault.kind = HostFault::kExited;
        fault.exitCode = outcome.exitCode;
        crashes_.push_back(now);
        break;
    case mphost::CallOutcome::kTimedOut:
        fault.kind = HostFault::kTimedOut;
        fault.seconds = static_cast<int>(budget.count());
        break;
    case mphost::CallOutcome::kUnreapable:
        fault.kind = HostFault::kTimedOut;
        fault.seconds = static_cast<int>(budget.count());
        fault.detail = "the host would not die; the port waits for its drive to be replugged";
        stuck_ = true;
        break;
    case mphost::CallOutcome::kBroken:
        fault.kind = HostFault::kUnavailable;
        fault.detail = outcome.detail;
        break;
    }
    NoteFault(std::move(fault));
    return false;
}

bool HostedMpLibrary::EightArgument(Op op, const Call& c, uint8_t burnInPassed, uint32_t ceMask) {
    mphost::Request request;
    request.op = op;
    request.drive = c.drive;
    if (c.folder)
        request.text1 = c.folder;
    if (c.name)
        request.text2 = c.name;
    if (c.settingsFile)
        request.text3 = c.settingsFile;
    request.burnInPassed = burnInPassed;
    request.ceMask = ceMask;
    CopyIn(c.errorCode, request.errorCode);
    CopyIn(c.errorMessage, request.errorMessage);
    mphost::Reply reply;
    if (!Run(request, c.progress, reply))
        return false;
    CopyOut(reply.errorCode, c.errorCode);
    CopyOut(reply.errorMessage, c.errorMessage);
    return reply.result != 0;
}

bool HostedMpLibrary::GetIdentifyInfoBuf(int drive, uint8_t* buffer512) {
    mphost::Request request;
    request.op = Op::GetIdentifyInfoBuf;
    request.drive = drive;
    mphost::Reply reply;
    if (!Run(request, nullptr, reply))
        return false;
    if (buffer512)
        std::memcpy(buffer512, reply.identify.data(), reply.identify.size());
    return reply.result != 0;
}

bool HostedMpLibrary::DoPretestInit(const Call& call) {
    return EightArgument(Op::DoPretestInit, call, 0, 0);
}

bool HostedMpLibrary::DoPretestInitRdtMark(const Call& call, bool burnInPassed) {
    return EightArgument(Op::DoPretestInitRdtMark, call, burnInPassed ? 1 : 0, 0);
}

bool HostedMpLibrary::DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) {
    return EightArgument(Op::DoPretestInitRdtMarkCeMask, call, burnInPassed ? 1 : 0, ceMask);
}

bool HostedMpLibrary::ReadRdtLog(const Call& call) {
    return EightArgument(Op::ReadRdtLog, call, 0, 0);
}

bool HostedMpLibrary::ReadRdtBadLog(const Call& call) {
    return EightArgument(Op::ReadRdtBadLog, call, 0, 0);
}

bool HostedMpLibrary::DoEraseAll(const Call& call) {
    return EightArgument(Op::DoEraseAll, call, 0, 0);
}

namespace {

mphost::Request Simple(Op op, int drive, const char* first = nullptr, const char* second = nullptr) {
    mphost::Request request;
    request.op = op;
    request.drive = drive;
    if (first)
        request.text1 = first;
    if (second)
        request.text2 = second;
    return request;
}

} // namespace

bool HostedMpLibrary::GetAllFlashID(int drive, const char* outputFile) {
    mphost::Request request = Simple(Op::GetAllFlashID, drive, outputFile);
    mphost::Reply reply;
    return Run(request, nullptr, reply) && reply.result != 0;
}

bool HostedMpLibrary::ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) {
    mphost::Request request = Simple(Op::ScandBadBlock, drive, mpFirmwareName, outputFile);
    mphost::Reply reply;
    return Run(request, nullptr, reply) && reply.result != 0;
}

bool HostedMpLibrary::ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) {
    mphost::Request request = Simple(Op::ModifyDeviceInfo, drive, modelName, serialNumber);
    mphost::Reply reply;
    return Run(request, nullptr, reply) && reply.result != 0;
}

bool HostedMpLibrary::DownLoadMicroCode(int drive, const char* firmwareFile) {
    mphost::Request request = Simple(Op::DownLoadMicroCode, drive, firmwareFile);
    mphost::Reply reply;
    return Run(request, nullptr, reply) && reply.result != 0;
}

bool HostedMpLibrary::SecurityErase(int drive, char* errorMessage) {
    mphost::Request request = Simple(Op::SecurityErase, drive);
    CopyIn(errorMessage, request.errorMessage);
    mphost::Reply reply;
    if (!Run(request, nullptr, reply))
        return false;
    CopyOut(reply.errorMessage, errorMessage);
    return reply.result != 0;
}

bool HostedMpLibrary::ResetSmart(int drive) {
    mphost::Request request = Simple(Op::ResetSmart, drive);
    mphost::Reply reply;
    return Run(request, nullptr, reply) && reply.result != 0;
}

bool HostedMpLibrary::WriteReadPH(int drive, int mode, uint8_t* buffer, int length) {
    if (length < 0 || static_cast<size_t>(length) > mphost::kMaxHistoryLength || (length > 0 && !buffer))
        return false;
    mphost::Request request = Simple(Op::WriteReadPH, drive);
    request.mode = mode;
    request.history.assign(buffer, buffer + length);
    mphost::Reply reply;
    if (!Run(request, nullptr, reply))
        return false;
    if (reply.history.size() == static_cast<size_t>(length))
        std::copy(reply.history.begin(), reply.history.end(), buffer);
    return reply.result != 0;
}

std::optional<std::filesystem::path> FindHostProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::nullopt;
    for (const std::filesystem::path& candidate :
         {self.parent_path() / "varnet-mphost",
          self.parent_path() / ".." / "libexec" / "varnettool" / "varnet-mphost"}) {
        if (::access(candidate.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(candidate, ec))
            return candidate.lexically_normal();
    }
    return std::nullopt;
}

} // namespace varnet
