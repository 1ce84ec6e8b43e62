#pragma once
// A settings file as a command that only reads it takes it: the program's
// own load into a station's worth of settings, without keeping a copy of a
// damaged file and without writing anything back.

#include "device/known_devices.h"
#include "model/product_settings.h"
#include "model/run_state.h"
#include "numbering/settings_file.h"
#include "platform/steady_clock.h"

#include <string>

namespace kestrelon::cli {

struct SettingsReading {
    explicit SettingsReading(const std::string& path) : file(path, ComponentContext{clock, nullptr}) {
        file.setKeepDamagedCopy(false);
    }
    SteadyClock clock;
    SettingsFile file;
    ProductSettings settings;
    RunState run;
    KnownDeviceTable devices{};
    NumberingGenerators generators;
};

} // namespace kestrelon::cli
