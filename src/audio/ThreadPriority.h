// Raising the thread that runs a device's output callback to real-time scheduling, as
// desktop audio programs do, so that a busy machine cannot hold the mix up for longer than
// the short device period allows. The thread is named by its kernel id, so the raise can be
// asked for from another thread: asking may go through the session's RealtimeKit over
// D-Bus, which must not happen on the callback's own thread.
//
// Threads: any; nothing is shared.
#pragma once

#include <string>

namespace ws {

// The real-time priority asked for: below the priority sound servers give their own
// threads (PulseAudio 5, PipeWire 20 and up), so the server is never held up by us.
inline constexpr int MixingPriority = 4;

// Moves thread `tid` of this process to SCHED_FIFO at MixingPriority: directly where the
// process may (CAP_SYS_NICE, or an RLIMIT_RTPRIO of the audio group), else through
// `rtkit` when given (a function that asks RealtimeKit; 0 on success). Returns what the
// thread got, for the log: "real-time (FIFO 4)", or "normal (nice -20); real-time was
// refused: ..." where neither was allowed.
std::string raiseToRealtime(long tid, int (*rtkit)(long tid));

} // namespace ws
