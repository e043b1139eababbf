// A sound set on disk and the sound logic on a fake window: each test declares the files of
// its set (they exist on disk, so the program's own existence test finds them, and the fake
// channels know their lengths and rates), presses Start and Stop, moves the throttle and
// lets fake time pass.
#pragma once

#include "FakeEngineView.h"
#include "QtPath.h"
#include "TestSupport.h"
#include "sim/AssetNames.h"
#include "sim/EngineSound.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ws::test {

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() {
        // Deep enough that every path is longer than 255 characters: none may be cut.
        setDir_ =
            dir_.path() / std::string(120, 'a') / std::string(120, 'b') / std::string(120, 'c');
        std::filesystem::create_directories(setDir_);
        view.attach(engine);
        engine.state().AssetFolder = qpath(setDir_) + '/';
    }

    // A file of the set, `ms` long.
    std::string file(const std::string& name, int ms, uint32_t rate = 44100) {
        const std::filesystem::path path = setDir_ / name;
        touch(path);
        view.files[path.string()] = {ms, rate};
        return path.string();
    }
    QString path(const std::string& name) const { return qpath(setDir_ / name); }

    void start() { engine.BtStartClick(); }
    void stop() { engine.BtStopClick(); }
    void moveThrottle(int position) { view.setThrottlePosition(position); }
    EngineState& state() { return engine.state(); }

    TempDir dir_;
    std::filesystem::path setDir_;
    FakeEngineView view;
    EngineSound engine{view};
};

using Log = std::vector<std::pair<int64_t, std::string>>;
using Names = std::vector<std::string>;

} // namespace ws::test
