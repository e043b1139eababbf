// For the start-up benchmark: with WHISTLESTOP_STARTUP_PROBE set in the environment, the
// program writes "shown" to its standard output once its main window has been painted for
// the first time, then closes the window as File > Exit would. Without it, nothing happens.
// The benchmark's bare Qt window uses the same probe, so both are timed to the same moment.
#pragma once

class QWidget;

namespace ws {

inline constexpr const char* StartupProbeVariable = "WHISTLESTOP_STARTUP_PROBE";

void probeStartup(QWidget* window);

} // namespace ws
