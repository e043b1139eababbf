// The values the sound logic keeps for the whole run, used only on the user-interface
// thread. The window writes the folder and single-file values (start-up, folder choice);
// the sound logic owns the rest.
#pragma once

#include <QString>
#include <QVector>

namespace ws {

struct EngineState {
    QString AssetFolder; // current asset folder, ends in a separator, or empty
    bool SingleFileMode = false;
    QString SingleFilePath;
    float Gain1 = 1.0f; // gain factors of Channel1 and Channel2, on top of Volume1
    float Gain2 = 1.0f;
    bool Playing = false; // a sound started by Start (or a horn or bell) is running
    int LastThrottle = 8; // diesel: throttle position at the latest notch change
    bool RampUp = false;  // diesel: the latest notch change went up
    QString WavePath;     // the idle, stop or horn loop file chosen most recently
    int BaseRate = 0;     // sample rate of the loop file loaded most recently, in Hz
    // Steam.
    int PistonStroke = 0;
    int LastSteamPosition = 0;
    int StationaryStep = 0;
    bool LoopRunning = false;
    bool StationaryPending = false;
    bool LoopToggle = false;
    QVector<int> RpmList;
    int SteamSpeed = 0;
    int RpmIndex = 0;
};

} // namespace ws
