#include "app/title.h"

#include <chrono>
#include <random>

namespace kestrelon {

int TempIdFromDraw(int draw) {
    switch (draw) {
    case 0x00:
    case 0x0F:
    case 0x55:
    case 0x5A:
    case 0xA5:
    case 0xAA:
    case 0xF0: return draw + 1;
    default: return draw;
    }
}

int DrawTempID() {
    std::mt19937 rng(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    return TempIdFromDraw(std::uniform_int_distribution<int>(0, 254)(rng));
}

std::string MainWindowTitle(int tempId) {
    return std::string(kWindowTitle) + " For Holmar Only TempID=" + std::to_string(tempId);
}

std::string MainWindowTitle(int tempId, const std::string& sharedStore) {
    return MainWindowTitle(tempId) + (sharedStore.empty() ? "" : " - numbers from " + sharedStore);
}

} // namespace kestrelon
