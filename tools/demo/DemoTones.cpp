// The table of demo files: every file of every demo set with its tone, format and length.
// Fundamentals climb in steps of about 6% from 80 Hz (diesel) to 1860 Hz (electric), so
// no two files anywhere are closer than 5%; all are whole numbers of hertz, so every loop
// of a whole number of seconds holds whole periods.
#include "DemoTones.h"

#include <cmath>

namespace ws::demo {

namespace {

// The three formats authors use: channels, rate, bits.
#define STEREO_44K 2, 44100, 16
#define MONO_22K 1, 22050, 16
#define MONO_11K_8BIT 1, 11025, 8

using S = DemoSound;

std::vector<DemoFile> makeTable() {
    return {
        // set, path, Hz, format, seconds, sound, pulse Hz
        {"Diesel", "start.wav", 288, STEREO_44K, 2.0, S::DieselStart, 5},
        {"Diesel", "idle 1.wav", 80, MONO_22K, 2.0, S::DieselIdle, 4},
        {"Diesel", "idle 2.wav", 95, MONO_11K_8BIT, 2.0, S::DieselIdle, 5},
        {"Diesel", "idle 3.wav", 113, STEREO_44K, 2.0, S::DieselIdle, 6},
        {"Diesel", "idle 4.wav", 135, MONO_22K, 2.0, S::DieselIdle, 7},
        {"Diesel", "idle 5.wav", 161, MONO_11K_8BIT, 2.0, S::DieselIdle, 8},
        {"Diesel", "idle 6.wav", 192, STEREO_44K, 2.0, S::DieselIdle, 9},
        {"Diesel", "idle 7.wav", 228, MONO_22K, 2.0, S::DieselIdle, 10},
        {"Diesel", "idle 8.wav", 272, MONO_11K_8BIT, 2.0, S::DieselIdle, 11},
        {"Diesel", "up 1 - 2.wav", 85, STEREO_44K, 1.5, S::DieselRampUp, 4.5},
        {"Diesel", "up 2 - 3.wav", 101, MONO_22K, 1.5, S::DieselRampUp, 5.5},
        {"Diesel", "up 3 - 4.wav", 120, MONO_11K_8BIT, 1.5, S::DieselRampUp, 6.5},
        {"Diesel", "up 4 - 5.wav", 143, STEREO_44K, 1.5, S::DieselRampUp, 7.5},
        {"Diesel", "up 5 - 6.wav", 171, MONO_22K, 1.5, S::DieselRampUp, 8.5},
        {"Diesel", "up 6 - 7.wav", 203, MONO_11K_8BIT, 1.5, S::DieselRampUp, 9.5},
        {"Diesel", "up 7 - 8.wav", 242, STEREO_44K, 1.5, S::DieselRampUp, 10.5},
        {"Diesel", "down 2 - 1.wav", 90, MONO_22K, 1.5, S::DieselRampDown, 4.5},
        {"Diesel", "down 3 - 2.wav", 107, MONO_11K_8BIT, 1.5, S::DieselRampDown, 5.5},
        {"Diesel", "down 4 - 3.wav", 128, STEREO_44K, 1.5, S::DieselRampDown, 6.5},
        {"Diesel", "down 5 - 4.wav", 152, MONO_22K, 1.5, S::DieselRampDown, 7.5},
        {"Diesel", "down 6 - 5.wav", 181, MONO_11K_8BIT, 1.5, S::DieselRampDown, 8.5},
        {"Diesel", "down 7 - 6.wav", 215, STEREO_44K, 1.5, S::DieselRampDown, 9.5},
        {"Diesel", "down 8 - 7.wav", 257, MONO_22K, 1.5, S::DieselRampDown, 10.5},
        {"Diesel", "stop.wav", 306, MONO_11K_8BIT, 2.0, S::DieselStop, 4},

        {"Electric", "engine_loop.wav", 1860, STEREO_44K, 3.0, S::ElectricWhine, 2},

        {"Steam1", "piston_stroke1.wav", 324, MONO_22K, 0.4, S::SteamBeat, 0},
        {"Steam1", "piston_stroke2.wav", 343, MONO_11K_8BIT, 0.4, S::SteamBeat, 0},
        {"Steam1", "piston_stroke3.wav", 364, STEREO_44K, 0.4, S::SteamBeat, 0},
        {"Steam1", "piston_stroke4.wav", 386, MONO_22K, 0.4, S::SteamBeat, 0},
        {"Steam1", "steam_loop.wav", 409, STEREO_44K, 1.0, S::SteamLoop, 6},
        {"Steam1", "smoke_stack_hiss.wav", 433, MONO_11K_8BIT, 3.0, S::SteamHiss, 0},
        {"Steam1", "loco_stationary_fast.wav", 459, MONO_22K, 2.0, S::SteamStationary, 3},
        {"Steam1", "loco_stationary_med.wav", 487, STEREO_44K, 2.0, S::SteamStationary, 2},
        {"Steam1", "loco_stationary_slow.wav", 516, MONO_11K_8BIT, 2.0, S::SteamStationary, 1},

        {"Steam2", "piston_stroke1.wav", 547, MONO_11K_8BIT, 0.4, S::SteamBeat, 0},
        {"Steam2", "piston_stroke2.wav", 580, STEREO_44K, 0.4, S::SteamBeat, 0},
        {"Steam2", "piston_stroke3.wav", 615, MONO_22K, 0.4, S::SteamBeat, 0},
        {"Steam2", "piston_stroke4.wav", 652, MONO_11K_8BIT, 0.4, S::SteamBeat, 0},
        // Four exhaust beats per revolution: rpm / 15 beats per second.
        {"Steam2", "steam_loop_60rpm.wav", 691, STEREO_44K, 1.0, S::SteamLoop, 4},
        {"Steam2", "steam_loop_120rpm.wav", 732, MONO_22K, 1.0, S::SteamLoop, 8},
        {"Steam2", "steam_loop_180rpm.wav", 776, MONO_11K_8BIT, 1.0, S::SteamLoop, 12},
        {"Steam2", "steam_loop_240rpm.wav", 823, STEREO_44K, 1.0, S::SteamLoop, 16},
        {"Steam2", "smoke_stack_hiss.wav", 872, MONO_22K, 3.0, S::SteamHiss, 0},
        {"Steam2", "loco_stationary_fast.wav", 925, MONO_11K_8BIT, 2.0, S::SteamStationary, 3},
        {"Steam2", "loco_stationary_med.wav", 980, STEREO_44K, 2.0, S::SteamStationary, 2},
        {"Steam2", "loco_stationary_slow.wav", 1039, MONO_22K, 2.0, S::SteamStationary, 1},

        {"Horn1", "horn.wav", 1101, STEREO_44K, 1.5, S::Horn, 0},

        {"Horn2", "horn_start.wav", 1167, MONO_22K, 1.0, S::HornStart, 0},
        {"Horn2", "horn_loop.wav", 1237, STEREO_44K, 2.0, S::HornLoop, 0},

        {"Horn3", "horn/start.wav", 1312, MONO_11K_8BIT, 1.0, S::HornStart, 0},
        {"Horn3", "horn/idle 1.wav", 1390, STEREO_44K, 2.0, S::HornLoop, 0},
        {"Horn3", "horn/stop.wav", 1474, MONO_22K, 1.0, S::HornStop, 0},

        {"HornBell", "horn_start.wav", 1562, STEREO_44K, 1.0, S::HornStart, 0},
        {"HornBell", "horn_loop.wav", 1656, MONO_22K, 2.0, S::HornLoop, 0},
        {"HornBell", "idle 1.wav", 1755, MONO_11K_8BIT, 2.0, S::Bell, 1},
    };
}

#undef STEREO_44K
#undef MONO_22K
#undef MONO_11K_8BIT

} // namespace

bool isLoop(DemoSound sound) {
    switch (sound) {
    case DemoSound::DieselIdle:
    case DemoSound::ElectricWhine:
    case DemoSound::SteamLoop:
    case DemoSound::SteamHiss:
    case DemoSound::SteamStationary:
    case DemoSound::HornLoop:
    case DemoSound::Bell:
        return true;
    default:
        return false;
    }
}

long DemoFile::frames() const {
    return std::lround(seconds * rate);
}

std::string_view DemoFile::fileName() const {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

const std::vector<DemoFile>& demoFiles() {
    static const std::vector<DemoFile> files = makeTable();
    return files;
}

const std::vector<std::string_view>& demoSets() {
    static const std::vector<std::string_view> sets{"Diesel", "Electric", "Steam1", "Steam2",
                                                    "Horn1",  "Horn2",    "Horn3",  "HornBell"};
    return sets;
}

const DemoFile* findDemoFile(std::string_view set, std::string_view path) {
    for (const DemoFile& f : demoFiles())
        if (f.set == set && f.path == path)
            return &f;
    return nullptr;
}

} // namespace ws::demo
