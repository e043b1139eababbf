// The values the sound logic keeps for the whole run, owned by the main window and used
// only on the user-interface thread.
#pragma once

#include <QString>

namespace ws {

struct EngineState {
    QString AssetFolder; // current asset folder, ends in a separator, or empty
    bool SingleFileMode = false;
    QString SingleFilePath;
    float Gain1 = 1.0f; // per-channel gain factors
    float Gain2 = 1.0f;
    int LastThrottle = 8; // throttle position before the latest change
    bool Playing = false; // an engine sound is running
};

} // namespace ws
