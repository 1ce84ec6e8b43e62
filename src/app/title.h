#pragma once
// The main window's title and the number drawn for it at every start.

#include <string>

namespace kestrelon {

// The application title (it names the task-bar button; the trailing blank
// belongs to it).
inline constexpr const char* kApplicationTitle = "Kestrelon 2.4GHz RF SoC Manufacture Tool ";
// The title the window starts with, before the start-up adds to it.
inline constexpr const char* kWindowTitle = "Kestrelon 2.4GHz RF SoC Manufacture Tool V0.36";

// TempID from a uniform draw of 0-254: the reserved values 0, 0x0F, 0x55,
// 0x5A, 0xA5, 0xAA and 0xF0 become their upper neighbour, so the result is
// 1-254 and never one of them.
int TempIdFromDraw(int draw);
// Draws TempID, seeded from the clock.
int DrawTempID();

// "<kWindowTitle> For Holmar Only TempID=<n>".
std::string MainWindowTitle(int tempId);
// The same, followed by " - numbers from <store>" when the units' numbers
// come from a number store shared by stations, so that a station with a
// store and one without are told apart.
std::string MainWindowTitle(int tempId, const std::string& sharedStore);

} // namespace kestrelon
