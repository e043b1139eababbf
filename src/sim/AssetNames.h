// The file names of a Trainz engine-sound asset and the texts shown about them, in one
// place so that detection and playback always use the same spelling. Names are relative to
// the asset folder; "/" separates a subfolder.
#pragma once

#include <QLatin1String>
#include <QString>
#include <array>

namespace ws::assetfile {

// Diesel: one idle loop per notch, transitions between neighbouring notches.
inline constexpr QLatin1String Start("start.wav");
inline constexpr QLatin1String Stop("stop.wav");
inline constexpr QLatin1String Idle1("idle 1.wav");
inline constexpr QLatin1String Up1To2("up 1 - 2.wav");
inline constexpr QLatin1String Down2To1("down 2 - 1.wav");

// "idle n.wav", the loop of notch n (1 to 8).
inline QString idle(int notch) {
    return QStringLiteral("idle %1.wav").arg(notch);
}
// "up n - n+1.wav", the transition from notch n up to the next.
inline QString up(int fromNotch) {
    return QStringLiteral("up %1 - %2.wav").arg(fromNotch).arg(fromNotch + 1);
}
// "down n - n-1.wav", the transition from notch n down to the one below.
inline QString down(int fromNotch) {
    return QStringLiteral("down %1 - %2.wav").arg(fromNotch).arg(fromNotch - 1);
}

// Electric: one loop.
inline constexpr QLatin1String EngineLoop("engine_loop.wav");

// Steam.
inline constexpr QLatin1String PistonStroke1("piston_stroke1.wav");
inline constexpr QLatin1String SteamLoop("steam_loop.wav");
inline constexpr QLatin1String SteamLoopPrefix("steam_loop_");
inline constexpr QLatin1String SteamLoopPattern("steam_loop_*.wav");
inline constexpr QLatin1String SmokeStackHiss("smoke_stack_hiss.wav");
inline constexpr QLatin1String LocoStationaryFast("loco_stationary_fast.wav");
inline constexpr QLatin1String LocoStationaryMed("loco_stationary_med.wav");
inline constexpr QLatin1String LocoStationarySlow("loco_stationary_slow.wav");
inline constexpr QLatin1String AllWaves("*.wav");

// "piston_strokeN.wav", exhaust beat N (1 to 4).
inline QString pistonStroke(int beat) {
    return QStringLiteral("piston_stroke%1.wav").arg(beat);
}
// "steam_loop_<rpm>rpm.wav".
inline QString steamLoopRpm(int rpm) {
    return QStringLiteral("steam_loop_%1rpm.wav").arg(rpm);
}

// Horns: one part, two parts, and three parts in the subfolder "horn".
inline constexpr QLatin1String Horn("horn.wav");
inline constexpr QLatin1String HornStart("horn_start.wav");
inline constexpr QLatin1String HornLoop("horn_loop.wav");
inline constexpr QLatin1String Horn3Start("horn/start.wav");
inline constexpr QLatin1String Horn3Idle("horn/idle 1.wav");
inline constexpr QLatin1String Horn3Stop("horn/stop.wav");

// The bell of a horn set: "idle 1.wav" in the asset folder itself.
inline constexpr QLatin1String Bell("idle 1.wav");

} // namespace ws::assetfile

namespace ws {

// Item indices of the sound-type group, and of the horn-type group.
inline constexpr int SoundTypeNone = -1;
inline constexpr int SoundTypeElectric = 0;
inline constexpr int SoundTypeDiesel = 1;
inline constexpr int SoundTypeSteam1 = 2;
inline constexpr int SoundTypeSteam2 = 3;
inline constexpr int SoundTypeHorn = 4;

inline constexpr int HornTypeNone = -1;
inline constexpr int HornType1Part = 0;
inline constexpr int HornType2Part = 1;
inline constexpr int HornType3Part = 2;

inline constexpr std::array<QLatin1String, 5> SoundTypeCaptions{
    QLatin1String("Electric"), QLatin1String("Diesel"), QLatin1String("Steam 1"),
    QLatin1String("Steam 2"), QLatin1String("Horn")};
inline constexpr std::array<QLatin1String, 3> HornTypeCaptions{
    QLatin1String("1 Part"), QLatin1String("2 Part"), QLatin1String("3 Part")};

// Captions of the throttle label: engines have a throttle, steam sets a speed control.
inline constexpr QLatin1String ThrottleCaption("Throttle");
inline constexpr QLatin1String SpeedCaption("Speed");

// Shown when a folder meets no naming rule; "\r" is a line break in a message box.
inline constexpr QLatin1String
    NoSoundTypeMessage("** Could not determine the sound type **\r"
                       "The selected asset does not meet the file naming requirements.");

} // namespace ws
