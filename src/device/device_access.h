#pragma once
// What a part that talks to the devices gets: the transport of reports, the
// link to the open receiver, and the typed calls.

#include "device/device_calls.h"
#include "device/device_link.h"
#include "device/transport.h"

namespace kestrelon {

struct DeviceAccess {
    Transport& transport;
    DeviceLink& link;
    DeviceCalls& calls;
};

} // namespace kestrelon
