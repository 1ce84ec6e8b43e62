#pragma once
// A window program started where there is no display says so in one line
// and ends with status 2, instead of letting Qt abort.

namespace kestrelon {

// The line that says so, with the ways to run without a display.
const char* NoDisplayMessage();

// False when no platform is chosen (QT_QPA_PLATFORM) and neither a Wayland
// nor a reachable X display is named in the environment.
bool DisplayAvailable();

// From here until EndStartUpGuard, a fatal Qt message (the platform plugin
// could not start) prints NoDisplayMessage and ends the program with status
// 2; Qt's other messages are held back and passed on by EndStartUpGuard.
void BeginStartUpGuard();
void EndStartUpGuard();

} // namespace kestrelon
