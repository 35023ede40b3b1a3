// varnet-mphost: serves the device library's calls for one port of the
// station program, so that a library that crashes or hangs takes this
// process with it and not the program. Started by the program (never by an
// operator) in the program's working folder with its environment, on an
// inherited SOCK_SEQPACKET socket and a shared page for the progress value;
// it ends when the socket closes (the program ended or let it go), and
// within moments even while a library call hangs: a watchdog thread sees
// the close and ends the process, so a host never outlives its program.
//
//   varnet-mphost --socket FD --progress FD [--library PATH]
//   varnet-mphost --help | --version
// Exit codes: 0 the program closed the connection, 1 the library did not
// load (after saying so in its Hello), 2 wrong arguments, 3 a message it
// could not read.
#include "mplib/host_protocol.h"
#include "mplib/mp_api_table.h"
#include "varnet_version.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace varnet;
using namespace varnet::mphost;

namespace {

constexpr const char* kUsage = "usage: varnet-mphost --socket FD --progress FD [--library PATH]\n"
                               "       varnet-mphost --help | --version\n"
                               "\n"
                               "The library host of the station program: serves the device library's\n"
                               "calls for one port over an inherited socket. The program starts it;\n"
                               "there is nothing to run by hand.\n"
                               "\n"
                               "Exit codes: 0 the connection closed, 1 the library did not load,\n"
                               "2 wrong arguments, 3 an unreadable message.\n";

bool Number(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

bool Send(int socket, const Reply& reply) {
    const std::vector<uint8_t> bytes = EncodeReply(reply);
    return ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

const char* Text(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

Reply Serve(const MpApiTable& api, Request& r, int32_t* progress) {
    Reply reply;
    reply.op = r.op;
    reply.sequence = r.sequence;
    // The library writes into the buffers it is given: copies of the
    // port's, which go back with the reply.
    reply.errorCode = r.errorCode;
    reply.errorMessage = r.errorMessage;
    char* code = reply.errorCode.data();
    char* message = reply.errorMessage.data();
    switch (r.op) {
    case Op::GetIdentifyInfoBuf:
        reply.result = api.GetIdentifyInfoBuf(static_cast<BYTE>(r.drive), reply.identify.data());
        break;
    case Op::DoPretestInit:
        reply.result = api.DoPretestInit(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3), progress,
                                         code, message);
        break;
    case Op::DoPretestInitRdtMark:
        reply.result = api.DoPretestInit_RDTMARK(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3),
                                                 progress, code, message, r.burnInPassed);
        break;
    case Op::DoPretestInitRdtMarkCeMask:
        reply.result =
            api.DoPretestInit_RDTMARK_CEMASK(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3),
                                             progress, code, message, r.burnInPassed, r.ceMask);
        break;
    case Op::ReadRdtLog:
        reply.result = api.Read_RDT_Log(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3), progress,
                                        code, message);
        break;
    case Op::ReadRdtBadLog:
        reply.result = api.Read_RDT_Bad_Log(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3), progress,
                                            code, message);
        break;
    case Op::DoEraseAll:
        reply.result =
            api.DoEraseAll(r.drive, 1, Text(r.text1), Text(r.text2), Text(r.text3), progress, code, message);
        break;
    case Op::GetAllFlashID:
        reply.result = api.GetAllFlashID(r.drive, Text(r.text1));
        break;
    case Op::ScandBadBlock:
        reply.result = api.ScandBadBlock(r.drive, Text(r.text1), Text(r.text2));
        break;
    case Op::ModifyDeviceInfo:
        reply.result = api.ModifyDeviceInfo(r.drive, Text(r.text1), Text(r.text2));
        break;
    case Op::DownLoadMicroCode:
        reply.result = api.DownLoadMicroCode(r.drive, Text(r.text1));
        break;
    case Op::SecurityErase:
        reply.result = api.SecurityErase(r.drive, message);
        break;
    case Op::ResetSmart:
        reply.result = api.ResetSmart(r.drive);
        break;
    case Op::WriteReadPH:
        reply.history = std::move(r.history);
        reply.result =
            api.WriteReadPH(r.drive, r.mode, reply.history.data(), static_cast<int>(reply.history.size()));
        break;
    case Op::Hello:
        break;
    }
    // Whatever the library did, the buffers go back zero-terminated.
    reply.errorCode.back() = '\0';
    reply.errorMessage.back() = '\0';
    return reply;
}

// The program's end closes its side of the socket whatever way it ends (a
// kill included); a library call that hangs would keep this process alive
// with nobody to answer, so the close ends it from a thread of its own. The
// parent-death signal is no help: it follows the thread that spawned the
// host, which may end long before the program does.
void WatchConnection(int socket) {
    std::thread([socket] {
        while (true) {
            pollfd p{socket, POLLRDHUP, 0};
            const int rc = ::poll(&p, 1, -1);
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc < 0 || (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)))
                ::_exit(0);
        }
    }).detach();
}

} // namespace

int main(int argc, char** argv) {
    int socketFd = -1, progressFd = -1;
    std::string library = "./MP_API.so";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("varnet-mphost %s\n", VARNET_VERSION);
            return 0;
        }
        const bool hasValue = i + 1 < argc;
        if (arg == "--socket" && hasValue && Number(argv[i + 1], socketFd)) {
            ++i;
        } else if (arg == "--progress" && hasValue && Number(argv[i + 1], progressFd)) {
            ++i;
        } else if (arg == "--library" && hasValue) {
            library = argv[++i];
        } else {
            std::fprintf(stderr, "varnet-mphost: unexpected argument %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (socketFd < 0 || progressFd < 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, progressFd, 0);
    if (page == MAP_FAILED) {
        std::fprintf(stderr, "varnet-mphost: cannot map the progress page: %s\n", std::strerror(errno));
        return 2;
    }
    auto* progress = static_cast<int32_t*>(page);
    // Before the library loads: its constructors may hang too.
    WatchConnection(socketFd);

    MpApiTable api;
    const Status loaded = LoadMpApi(library, api);
    Reply hello;
    hello.op = Op::Hello;
    hello.result = loaded.ok() ? 1 : 0;
    hello.text = loaded.message();
    if (!Send(socketFd, hello) || !loaded.ok())
        return loaded.ok() ? 0 : 1;

    std::vector<uint8_t> buffer(kMaxMessage + 1);
    while (true) {
        const ssize_t n = ::recv(socketFd, buffer.data(), buffer.size(), 0);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        std::string error;
        std::optional<Request> request =
            DecodeRequest(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), error);
        if (!request) {
            std::fprintf(stderr, "varnet-mphost: %s\n", error.c_str());
            return 3;
        }
        if (!Send(socketFd, Serve(api, *request, progress)))
            return 0;
    }
}
