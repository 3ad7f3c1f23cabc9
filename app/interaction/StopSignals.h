#pragma once
// The tracker's answer to being interrupted (SIGINT, Ctrl-C), terminated (SIGTERM) or hung up
// on (SIGHUP): the run is cancelled instead of the process dying where it stands. The handler
// ends the tool running at that moment (its whole process group; a tool left behind would
// outlive the tracker) and notes the signal. The run sees it at its next poll
// (TrkTrackerGUIC::IsCancelled), at every interaction level, and ends through its closing
// steps, so that its log is complete.

namespace trk {

// Installs the handler for the rest of the process. A signal that was ignored when the tracker
// started (under nohup, as a background job) stays ignored. Interrupted calls are restarted:
// a file being written goes on, and the run stops at its next poll.
void InstallStopSignals();
// The first stop signal that arrived, 0 while none did.
int StopSignal();
// Whether a stop signal arrived since the last call.
bool TakeStopSignal();

}  // namespace trk
