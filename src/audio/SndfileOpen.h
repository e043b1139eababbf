// Opening a file with libsndfile from any thread. The library keeps the reason of a failed
// open in one buffer for the whole process, so two threads failing at once (the asset
// checker's workers, a check beside a playing channel) would garble each other's message;
// opens are taken one at a time and the reason is copied before the next.
#pragma once

#include <sndfile.h>

#include <string>

namespace ws {

struct SndfileOpenResult {
    SNDFILE* file = nullptr; // the caller closes it
    int error = 0;           // sf_error's code when `file` is null
    std::string reason;      // and its text
};

SndfileOpenResult openSndfile(const std::string& path, int mode, SF_INFO& info);

} // namespace ws
