// The demo sound sets: one complete asset folder of every kind the program plays, each
// file tone-coded with a fundamental of its own so that a recording of the program's
// output shows which file sounded when. make_demo_sets writes the files; tests read the
// table to know what each file must hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ws::demo {

// What a file sounds like; decides how it is synthesised and whether it is a loop.
enum class DemoSound {
    DieselIdle,      // loop: engine rumble with harmonics and firing pulses
    DieselRampUp,    // one-shot: rumble growing louder (notch up)
    DieselRampDown,  // one-shot: rumble dying down (notch down)
    DieselStart,     // one-shot: cranking, then the engine catches
    DieselStop,      // one-shot: the engine runs down
    ElectricWhine,   // loop: traction motor whine
    SteamBeat,       // one-shot: a single exhaust beat, a burst of noise
    SteamLoop,       // loop: exhaust beats at the loop's own rate
    SteamHiss,       // loop: steady hiss
    SteamStationary, // loop: air pump thumping at its own rate
    Horn,            // one-shot: a whole horn blast (1-part horn)
    HornStart,       // one-shot: the horn sounding up
    HornLoop,        // loop: the held horn chord
    HornStop,        // one-shot: the horn dying away
    Bell,            // loop: a bell struck at its own rate
};

// Loops are played looped by the program: they hold whole periods of every frequency in
// them and are not faded at their ends. Everything else fades in and out briefly.
bool isLoop(DemoSound sound);

struct DemoFile {
    std::string_view set;  // folder under the demo root: "Diesel", "Horn3", ...
    std::string_view path; // relative to the set folder, '/'-separated: "horn/start.wav"
    double hz;             // fundamental: the strongest peak of the file's spectrum
    int channels;
    int rate;       // frames per second
    int bits;       // 8 (unsigned) or 16 (signed)
    double seconds; // length
    DemoSound sound;
    double pulseHz; // the sound's own rhythm (firing, beats, pump, strikes); 0 = none

    bool loop() const { return isLoop(sound); }
    long frames() const;
    std::string_view fileName() const; // the last part of path: "start.wav"
};

// Every file of every set, sets in the order of demoSets().
const std::vector<DemoFile>& demoFiles();

// The set folder names: Diesel, Electric, Steam1, Steam2, Horn1, Horn2, Horn3, HornBell.
const std::vector<std::string_view>& demoSets();

// The entry for a file of a set, or nullptr; `path` as in DemoFile::path.
const DemoFile* findDemoFile(std::string_view set, std::string_view path);

} // namespace ws::demo
