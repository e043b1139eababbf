// Loading SDL2 at run time; see SdlLibrary.h.
#include "SdlLibrary.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace ws {

namespace {

#ifdef _WIN32
constexpr const char* LibraryName = "SDL2.dll";
void* openLibrary() {
    return reinterpret_cast<void*>(LoadLibraryA(LibraryName));
}
void* symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
std::string lastError() {
    return "error " + std::to_string(GetLastError());
}
#else
constexpr const char* LibraryName = "libSDL2-2.0.so.0";
void* openLibrary() {
    return dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
}
void* symbol(void* library, const char* name) {
    return dlsym(library, name);
}
std::string lastError() {
    const char* e = dlerror();
    return e ? e : "unknown error";
}
#endif

struct Loaded {
    SdlLibrary table;
    bool ok = false;
    std::string error;

    Loaded() {
        // Never closed: SDL's threads and atexit handlers may run until the process ends.
        void* library = openLibrary();
        if (!library) {
            error = std::string("cannot load ") + LibraryName + ": " + lastError();
            return;
        }
        ok = true;
        auto bind = [&](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(symbol(library, name));
            if (!slot && ok) {
                ok = false;
                error = std::string(LibraryName) + " lacks " + name;
            }
        };
        bind(table.InitSubSystem, "SDL_InitSubSystem");
        bind(table.QuitSubSystem, "SDL_QuitSubSystem");
        bind(table.Quit, "SDL_Quit");
        bind(table.GetNumAudioDevices, "SDL_GetNumAudioDevices");
        bind(table.GetAudioDeviceName, "SDL_GetAudioDeviceName");
        bind(table.OpenAudioDevice, "SDL_OpenAudioDevice");
        bind(table.CloseAudioDevice, "SDL_CloseAudioDevice");
        bind(table.PauseAudioDevice, "SDL_PauseAudioDevice");
        bind(table.GetAudioDeviceStatus, "SDL_GetAudioDeviceStatus");
        bind(table.GetCurrentAudioDriver, "SDL_GetCurrentAudioDriver");
        bind(table.GetNumAudioDrivers, "SDL_GetNumAudioDrivers");
        bind(table.GetAudioDriver, "SDL_GetAudioDriver");
        bind(table.AudioInit, "SDL_AudioInit");
        bind(table.AudioQuit, "SDL_AudioQuit");
        table.TLSCleanup =
            reinterpret_cast<decltype(table.TLSCleanup)>(symbol(library, "SDL_TLSCleanup"));
        table.LinuxSetThreadPriorityAndPolicy =
            reinterpret_cast<decltype(table.LinuxSetThreadPriorityAndPolicy)>(
                symbol(library, "SDL_LinuxSetThreadPriorityAndPolicy"));
    }
};

std::atomic<const Loaded*> published{nullptr}; // set once loaded

const Loaded& loaded() {
    static const Loaded instance; // thread-safe initialisation
    published.store(&instance, std::memory_order_release);
    return instance;
}

} // namespace

const SdlLibrary* SdlLibrary::load() {
    return loaded().ok ? &loaded().table : nullptr;
}

std::string SdlLibrary::loadError() {
    return loaded().error;
}

void SdlLibrary::releaseThreadState() {
    const Loaded* l = published.load(std::memory_order_acquire);
    if (l && l->ok && l->table.TLSCleanup)
        l->table.TLSCleanup();
}

} // namespace ws
