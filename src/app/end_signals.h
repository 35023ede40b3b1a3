// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) turned
// into something a waiting loop can watch: a handler that only writes the
// signal's number into a pipe, whose read end the headless runner polls and
// the window watches with a socket notifier. All the work of ending (no new
// runs, the runs ended, the records flushed) happens in that loop, never in
// the handler.
//
// Install once, early in main, before any thread starts (the handlers are
// the process's). A handler is reset by exec, so library hosts and other
// children keep the default actions. Fd and Take from one thread (the main
// one); the first signal received is kept, later ones change nothing.
#pragma once

#include "platform/status.h"

namespace varnet {

class EndSignals {
public:
    static Status Install();
    // The pipe's read end (non-blocking); -1 before Install.
    static int Fd();
    // Reads what the pipe holds; the first signal number received so far, 0
    // for none.
    static int Take();
};

} // namespace varnet
