#include "numbering/preview.h"

#include "numbering/numbering_panel.h"

namespace kestrelon {

std::vector<PreviewUnit> PreviewNextUnits(const std::string& settingsPath, int count, Clock& clock,
                                          std::shared_ptr<RFIDRandomSource> random, LoadResult* loaded) {
    SettingsFile file(settingsPath, ComponentContext{clock, std::move(random)});
    file.setKeepDamagedCopy(false);
    ProductSettings settings;
    RunState run;   // NotYetActivated stays 1, as before the window first shows
    KnownDeviceTable devices{};
    FillBuiltInDevices(devices);
    NumberingGenerators generators;
    // The panel's saves are inert here, as they are during a real start-up;
    // a preview must never write the file.
    Observed<NumberingBoxes> boxes;
    NumberingPanel panel(generators, boxes, [] {});
    const LoadResult result = StartUpNumbering(file, settings, run, devices, generators, panel);
    if (loaded) *loaded = result;

    std::vector<PreviewUnit> units;
    for (int i = 1; i <= count; ++i) {
        PreviewUnit u;
        u.unit = i;
        u.txSN = generators.TxSN->GetSNText();
        const UnitRFIDs ids = ReadUnitRFIDs(generators);
        if (!generators.RxRFID->IsRandom()) u.rxRFID = ids.rx;
        if (!generators.TxRFID->IsRandom()) u.txRFID = ids.tx;
        u.rxSN = generators.RxSN->GetSNText();
        panel.showPassDisplay(AdvanceAfterPass(generators, ids));
        units.push_back(std::move(u));
    }
    return units;
}

} // namespace kestrelon
