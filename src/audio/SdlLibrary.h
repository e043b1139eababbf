// SDL2, loaded the first time the sound system is used rather than when the program starts:
// SDL's library brings in the display and sound-server client libraries of every platform it
// supports, and loading them all before the window could be drawn cost a noticeable part of
// the start-up. The start-up lists the devices on a thread of its own, so this load happens
// while the window is being made.
//
// Threads: load() may be called from any thread; the table it returns is complete and never
// changes afterwards.
#pragma once

#include <SDL.h>

#include <string>

namespace ws {

struct SdlLibrary {
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&::SDL_Quit) Quit = nullptr;
    decltype(&::SDL_GetNumAudioDevices) GetNumAudioDevices = nullptr;
    decltype(&::SDL_GetAudioDeviceName) GetAudioDeviceName = nullptr;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&::SDL_GetAudioDeviceStatus) GetAudioDeviceStatus = nullptr;
    decltype(&::SDL_GetCurrentAudioDriver) GetCurrentAudioDriver = nullptr;
    decltype(&::SDL_GetNumAudioDrivers) GetNumAudioDrivers = nullptr;
    decltype(&::SDL_GetAudioDriver) GetAudioDriver = nullptr;
    decltype(&::SDL_AudioInit) AudioInit = nullptr;
    decltype(&::SDL_AudioQuit) AudioQuit = nullptr;
    decltype(&::SDL_TLSCleanup) TLSCleanup = nullptr; // optional: SDL 2.0.16 on
    // Optional (Linux, SDL 2.0.18 on): asks RealtimeKit where the process may not itself.
    int (*LinuxSetThreadPriorityAndPolicy)(Sint64, int, int) = nullptr;

    // The loaded library's functions, or null when SDL2 cannot be loaded (loadError() says
    // why). Loaded once per process and kept until it ends.
    static const SdlLibrary* load();
    static std::string loadError();
    // SDL keeps data for every thread that calls into it and frees it only for its own
    // threads: another thread that has used SDL calls this before it ends. Does nothing when
    // SDL has not been loaded (and does not load it).
    static void releaseThreadState();
};

} // namespace ws
