#pragma once
// What a production run takes from the numbering: one unit's RF IDs and
// serial numbers, and keeping the counters once the unit has passed.

#include "model/product_settings.h"
#include "model/run_state.h"
#include "numbering/numbering_panel.h"
#include "numbering/settings_file.h"

#include <string>

namespace kestrelon {

class UnitNumbers {
public:
    UnitNumbers(NumberingGenerators& generators, NumberingPanel& panel, SettingsFile& file,
                const Observed<ProductSettings>& options, const RunState& run)
        : gens_(generators), panel_(panel), file_(file), options_(options), run_(run) {}

    // The unit's RF IDs: one read of each generator, RX first.
    UnitRFIDs takeRFIDs() { return ReadUnitRFIDs(gens_); }
    const TProdSN& rxSerial() const { return *gens_.RxSN; }
    const TProdSN& txSerial() const { return *gens_.TxSN; }

    // Whether a unit may start: its numbers must be kept once it passes. Not
    // ok, with a message naming the file, when the settings file cannot be
    // replaced now, or when the last save failed and a fresh attempt fails
    // too: a unit numbered from counters that are not kept would hand its
    // numbers out again.
    SettingsStatus readyForUnit() {
        if (file_.lastSaveFailed()) {
            const SaveResult again = file_.save(*options_, run_, gens_);
            if (!again.ok) return again;
        }
        return file_.canReplace();
    }

    // After a PASS: the counters move on, the panel shows them, and the
    // settings file keeps them at once, so that a crash or power cut after
    // this unit cannot hand its numbers to the next one.
    SaveResult keepAfterPass(const UnitRFIDs& used) {
        panel_.showPassDisplay(AdvanceAfterPass(gens_, used));
        return file_.save(*options_, run_, gens_);
    }

private:
    NumberingGenerators& gens_;
    NumberingPanel& panel_;
    SettingsFile& file_;
    const Observed<ProductSettings>& options_;
    const RunState& run_;
};

} // namespace kestrelon
