// Where port-run records go: an output is told when a run starts (the record
// holds what is known then: run id, station, port, drive, start time) and
// receives the finished record when it ends, in that order for each run.
//
// Threads: each output is called from one thread of its own, never from a
// port's worker, so a slow output never holds a port; calls to one output
// never overlap. An output reports its own failures (it may throw: the
// caller logs and goes on); the run is never affected.
#pragma once

#include "engine/port_run_record.h"

namespace varnet {

class RunRecordOutput {
public:
    virtual ~RunRecordOutput() = default;
    virtual void RunStarted(const PortRunRecord& record) = 0;
    virtual void RunFinished(const PortRunRecord& record) = 0;
    // Everything received has been written (called once, at the end of the
    // program, after the last record).
    virtual void Flush() {}
};

} // namespace varnet
