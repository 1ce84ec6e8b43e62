#pragma once
// The dongle's answer to command 0x09: its RF channel and the IDs of the
// mouse and keyboard it is paired with.

#include "device/transport.h"

namespace kestrelon {

struct DongleInfo {
    bool valid = false;   // the exchange worked and the channel lies in 2..82
    int channel = 0;
    int mouseId = 0;
    int keyboardId = 0;
};

inline DongleInfo ReadDongleInfo(Transport& t) {
    CommandFrame f = makeFrame(op::DongleInfo);
    DongleInfo info;
    if (!t.exchange(f)) return info;
    info.channel = f[0];
    info.mouseId = f[1];
    info.keyboardId = f[2];
    info.valid = info.channel >= 0x02 && info.channel <= 0x52;
    return info;
}

} // namespace kestrelon
