#include "device/hotkey_lists.h"

namespace kestrelon {

const std::array<CustKeyItem, kCustKeyCount> CustKeyList = {{
    {"[DISABLE]", 0x000},       {"WWW BACK", 0x224},        {"WWW FORWARD", 0x225},
    {"WWW STOP", 0x226},        {"WWW REFRESH", 0x227},     {"WWW SEARCH", 0x221},
    {"WWW FAVORITES", 0x22A},   {"WWW HOME", 0x223},        {"MAIL", 0x18A},
    {"MUTE", 0x0E2},            {"VOLUME -", 0x0EA},        {"VOLUME +", 0x0E9},
    {"PLAY/PAUSE", 0x0CD},      {"STOP", 0x0B7},            {"PREVIOUS TRACK/Replay", 0x0B6},
    {"NEXT TRACK/Skip", 0x0B5}, {"MEDIA Select", 0x183},    {"MY COMPUTER", 0x194},
    {"CALCULATOR", 0x192},      {"More Info", 0x209},       {"Record", 0x0B2},
    {"Forward", 0x0B3},         {"Rewind", 0x0B4},          {"Guide", 0x08D},
}};

const std::array<BatteryItem, kBatteryItemCount> BatteryLevelList = {{
    {"Set BTY Low Level: VBAT <= 2.2V", 0x40},
    {"Set BTY Low Level: VBAT <= 2.0V", 0x20},
    {"Set BTY Low Level: VBAT <= 1.8V", 0x00},
}};

const std::array<const char*, kFnKeyCount> FnKeyList = {
    "<Disabled>", "W3 BACK", "W3 FORWARD", "W3 STOP", "W3 REFRESH", "W3 SEARCH", "W3 FAVORITES", "W3 HOME",
    "MAIL", "MUTE", "VOLUE-", "VOLUE+", "PLAY/PAUSE", "STOP", "PREVIOUSTRACK/Replay", "NEXTTRACK/Skip",
    "MEDIASelect", "MYCOMPUTER", "CALCULATOR", "MoreInfo", "Record", "Forward", "Rewind", "Guide", "BassBoost",
    "Loud", "BassUp", "BassDown", "TrebleUp", "TrebleDown", "<Reserved>", "<Reserved>", "<Reserved>", "H1", "H2",
    "H3", "H4", "H5", "H6", "H7", "H8", "H9", "H10", "H11", "H12", "H13", "MCE", "MyMusic", "MyVideo", "MyTV",
    "ProgramManual", "LiveTV", "RecordedTV", "Messenger", "DVDMenu", "MyPicture", "MyRadio",
    "CDROM Eject           ", "Power                 ", "Sleep                 ", "Wake up               ",
    "Scroll Lock           ", "Num Lock              ", "Back To Desktop", "Lock PC",
};

const std::array<const char*, kRfPowerCount> RfPowerList = {"0", "-5", "-10", "-20"};

} // namespace kestrelon
