// Start-up work off the user-interface thread; see StartupWork.h.
#include "StartupWork.h"

#include "audio/Mixer.h"
#include "audio/SdlLibrary.h"

#if __has_include(<fontconfig/fontconfig.h>) && !defined(_WIN32)
#include <fontconfig/fontconfig.h>
#define WS_HAVE_FONTCONFIG 1
#endif

namespace ws {

StartupWork::StartupWork()
    : devices_([] {
          loadDeviceLists();
          SdlLibrary::releaseThreadState();
      }) {
#ifdef WS_HAVE_FONTCONFIG
    // Loads the configuration and the font caches once; Qt's font database finds them
    // loaded. fontconfig's initialisation is safe on any thread.
    fonts_ = std::thread([] { FcInit(); });
#endif
}

StartupWork::~StartupWork() {
    finish();
}

void StartupWork::finish() {
    if (devices_.joinable())
        devices_.join();
    if (fonts_.joinable())
        fonts_.join();
}

} // namespace ws
