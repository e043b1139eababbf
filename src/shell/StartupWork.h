// The slow parts of start-up that need no window, begun on threads of their own as soon as
// the program starts, so that they run while the application object is made: the sound
// system's device list, and (where fontconfig is in use) the font configuration that the
// first line of text in the window would otherwise wait for.
//
// Threads: the two workers touch nothing the user-interface thread uses until finish() has
// joined them; the device lists are read only after that.
#pragma once

#include <thread>

namespace ws {

class StartupWork {
public:
    StartupWork();
    // Joins the workers if finish() has not.
    ~StartupWork();
    StartupWork(const StartupWork&) = delete;
    StartupWork& operator=(const StartupWork&) = delete;

    // Returns once both are done; call before the window is made.
    void finish();

private:
    std::thread devices_;
    std::thread fonts_;
};

} // namespace ws
