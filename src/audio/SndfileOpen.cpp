// Opening a file with libsndfile from any thread; see SndfileOpen.h.
#include "SndfileOpen.h"

#include <mutex>

namespace ws {

SndfileOpenResult openSndfile(const std::string& path, int mode, SF_INFO& info) {
    // Guards libsndfile's process-wide error state from sf_open to the copy of its text.
    static std::mutex opening;
    const std::lock_guard lock(opening);
    SndfileOpenResult result;
    result.file = sf_open(path.c_str(), mode, &info);
    if (!result.file) {
        result.error = sf_error(nullptr);
        result.reason = sf_strerror(nullptr);
    }
    return result;
}

} // namespace ws
