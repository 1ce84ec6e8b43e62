#pragma once
// What a production run takes from the numbering: one unit's serial numbers
// and RF IDs. They are reserved durably before the first byte of the unit
// reaches a device, and settled once its verdict is known, so that whatever
// stops the program (a full disk, a kill, a power cut) leaves a gap in the
// numbers, never a number in two units.
//
//   reserve  the counters move past the unit's numbers and are kept (the
//            settings file replaced and forced to the disk) before the
//            numbers are handed out; not ok, and nothing taken, otherwise
//   program  the run writes the reserved numbers, never the generators'
//   settle   PASS: the numbers stay taken. A certain FAIL: the serial
//            numbers are given back (the next unit reuses them, as a failed
//            unit's serial number always was), the RF IDs stay taken, since
//            the failed devices may hold them. A unit that never settles
//            keeps its reservation.

#include "model/product_settings.h"
#include "model/run_state.h"
#include "numbering/numbering_panel.h"
#include "numbering/settings_file.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrelon {

// One serial number as the devices get it.
struct SerialNumber {
    bool on = false;                   // numbering is on: the bytes go into the device
    std::array<uint8_t, 6> bytes{};
    std::string text;                  // "1201-4142-0001"; empty while numbering is off
    bool operator==(const SerialNumber&) const = default;
};

struct ReservedNumbers {
    std::string unit;                  // the unit's id, shared by its records
    SerialNumber rxSn, txSn;
    int32_t rxRfid = -1, txRfid = -1;  // before bit 7 is set
};

// How a unit ended, for a store that keeps the units' records with their
// numbers.
struct UnitOutcome {
    std::string failedStep;   // empty for a PASS
    uint32_t durationMs = 0;
    std::string record;       // the unit's outcome line in the record file; may be empty
};

class UnitNumbers {
public:
    virtual ~UnitNumbers() = default;

    // Where the counters are kept, as the operator is told.
    virtual std::string storeName() const = 0;
    // Whether a unit could be reserved now; cheap enough for every Go. Not
    // ok with a message naming what stands in the way.
    virtual SettingsStatus readyForUnit() = 0;
    // Takes the next unit's numbers and keeps the counters past them before
    // it returns ok. Not ok: nothing was taken, the message says why.
    virtual SettingsStatus reserve(const std::string& unitId, ReservedNumbers& out) = 0;
    // The unit passed.
    virtual SettingsStatus settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) = 0;
    // The unit failed for certain (its verdict was reached), or never got
    // to a device. Not ok when the serial numbers could not be given back:
    // the reservation then stands.
    virtual SettingsStatus settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) = 0;
};

// The serial number a generator gives the next unit, as it stands now.
SerialNumber NextSerial(const TProdSN& sn);
// The next unit's numbers, the generators moved past them: what every store
// does under its lock, before it keeps the generators.
ReservedNumbers TakeUnitNumbers(NumberingGenerators& generators);

// The counters in the settings file: the station's own numbering.
class FileUnitNumbers final : public UnitNumbers {
public:
    FileUnitNumbers(NumberingGenerators& generators, NumberingPanel& panel, SettingsFile& file,
                    const Observed<ProductSettings>& options, const RunState& run)
        : gens_(generators), panel_(panel), file_(file), options_(options), run_(run) {}

    std::string storeName() const override { return file_.fullPath(); }
    SettingsStatus readyForUnit() override;
    SettingsStatus reserve(const std::string& unitId, ReservedNumbers& out) override;
    SettingsStatus settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) override;
    SettingsStatus settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) override;

private:
    // The generators' counters, to give numbers back and to tell that
    // nothing moved them since.
    struct Counters {
        int64_t rxPrev = 0, rxCurrent = 0, txPrev = 0, txCurrent = 0;
        int32_t rxIdInit = 0, rxIdPrev = 0, rxIdCurrent = 0, txIdInit = 0, txIdPrev = 0, txIdCurrent = 0;
        bool sameSerials(const Counters& o) const {
            return rxPrev == o.rxPrev && rxCurrent == o.rxCurrent && txPrev == o.txPrev && txCurrent == o.txCurrent;
        }
    };
    Counters counters() const;
    void restoreSerials(const Counters& c);
    void restoreAll(const Counters& c);

    NumberingGenerators& gens_;
    NumberingPanel& panel_;
    SettingsFile& file_;
    const Observed<ProductSettings>& options_;
    const RunState& run_;
    Counters before_, reserved_;   // of the unit reserved last
    std::string reservedUnit_;
};

} // namespace kestrelon
