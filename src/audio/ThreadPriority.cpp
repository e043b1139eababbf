// Real-time scheduling for the mixing thread; see ThreadPriority.h.
#include "ThreadPriority.h"

#include <cerrno>
#include <cstring>

#ifdef __linux__
#include <sched.h>
#include <sys/resource.h>
#endif

namespace ws {

std::string raiseToRealtime(long tid, int (*rtkit)(long tid)) {
#ifdef __linux__
    sched_param param{};
    param.sched_priority = MixingPriority;
    // Reset on fork: a program started from here must not inherit real-time scheduling
    // (RealtimeKit insists on it too).
    if (sched_setscheduler(static_cast<pid_t>(tid), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0)
        return "real-time (FIFO " + std::to_string(MixingPriority) + ")";
    const std::string refused = std::strerror(errno);
    if (rtkit && rtkit(tid) == 0 &&
        (sched_getscheduler(static_cast<pid_t>(tid)) & ~SCHED_RESET_ON_FORK) == SCHED_FIFO)
        return "real-time through RealtimeKit";
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    return "normal (nice " + std::to_string(errno == 0 ? nice : 0) +
           "); real-time was refused: " + refused;
#else
    (void)tid;
    (void)rtkit;
    return "as the system gives it";
#endif
}

} // namespace ws
