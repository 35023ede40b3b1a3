// Hands port-run events to the registered outputs, each on a thread of its
// own, so a port's worker never waits for a database or a printer. Events of
// one output arrive in the order they were posted. The one durable output
// (the run journal) is the exception: it writes on the posting thread, and
// the run learns whether its record is on the disk.
//
// Ownership: the outputs are shared with whoever registered them. Threads:
// Add before the first Post (the front end's start-up); Post from any
// thread; Close once, at the end: it stops taking events, lets every queued
// event reach its output (then Flush), lets go of the outputs (one nobody
// else holds ends then, its threads with it), and gives up on an output that
// has not finished within the wait (its thread is left to end on its own). An
// output that throws is logged in the diagnostic log and keeps receiving.
// No Post may run while Close does (the front end closes after the last port
// run has ended).
#pragma once

#include "engine/run_record_output.h"

#include <chrono>
#include <memory>
#include <vector>

namespace varnet {

class RunRecordOutputs {
public:
    RunRecordOutputs();
    ~RunRecordOutputs(); // Close with the default wait
    RunRecordOutputs(const RunRecordOutputs&) = delete;
    RunRecordOutputs& operator=(const RunRecordOutputs&) = delete;

    void Add(std::shared_ptr<RunRecordOutput> output);
    // The durable output (before the first Post); none: every write is Ok.
    void SetDurable(std::shared_ptr<DurableRunOutput> output);
    void PostStarted(const PortRunRecord& record);
    // Written durably first (on this thread), then posted to the others.
    Status PostSerialTaken(const PortRunRecord& record);
    // The finished record, durably (on this thread); the caller posts it
    // afterwards, marked when this failed.
    Status WriteFinished(const PortRunRecord& record);
    void PostFinished(const PortRunRecord& record);
    Status CheckWritable();
    // True when every output received everything in time.
    bool Close(std::chrono::milliseconds wait = std::chrono::seconds(10));

private:
    class Lane;
    std::vector<std::shared_ptr<Lane>> lanes_;
    std::shared_ptr<DurableRunOutput> durable_;
    bool closed_ = false;
};

} // namespace varnet
