// Where port-run records go: an output is told when a run starts (the record
// holds what is known then: run id, station, port, drive, start time), when
// it has taken a serial number (the record as at the start, with the number),
// and receives the finished record when it ends, in that order for each run.
//
// Threads: each output is called from one thread of its own, never from a
// port's worker, so a slow output never holds a port; calls to one output
// never overlap. An output reports its own failures (it may throw: the
// caller logs and goes on); the run is never affected.
#pragma once

#include "engine/port_run_record.h"
#include "platform/status.h"

namespace varnet {

class RunRecordOutput {
public:
    virtual ~RunRecordOutput() = default;
    virtual void RunStarted(const PortRunRecord& record) = 0;
    // The run took record.serial and is about to have it written to the
    // drive.
    virtual void RunSerialTaken(const PortRunRecord&) {}
    virtual void RunFinished(const PortRunRecord& record) = 0;
    // Everything received has been written (called once, at the end of the
    // program, after the last record).
    virtual void Flush() {}
};

} // namespace varnet

namespace varnet {

// The one output a run waits for (the run journal): what it is given is on
// the disk when the call returns, or the Status says why not. A run writes
// the serial number it took before the number goes to the drive, so a run
// cut short still names it, and its finished record before the tile shows
// the verdict, so no verdict is ever shown that has no record.
//
// Threads: called on the port's worker thread (or a result page's), from
// several ports at once; the output serialises its writes. Never throws.
class DurableRunOutput {
public:
    virtual ~DurableRunOutput() = default;
    virtual Status WriteSerialTaken(const PortRunRecord& record) = 0;
    virtual Status WriteFinished(const PortRunRecord& record) = 0;
    // Whether a record could be written now; after a failed write, the
    // operator may start runs again once it can.
    virtual Status CheckWritable() = 0;
};

} // namespace varnet
