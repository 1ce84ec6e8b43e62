#include "numbering/unit_numbers.h"

namespace kestrelon {

SerialNumber NextSerial(const TProdSN& sn) {
    SerialNumber s;
    s.on = sn.IsSN();
    for (int i = 0; i < 6; ++i) s.bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(sn.GetSNByte(i));
    s.text = sn.GetSNText();
    return s;
}

ReservedNumbers TakeUnitNumbers(NumberingGenerators& g) {
    ReservedNumbers r;
    r.rxSn = NextSerial(*g.RxSN);
    r.txSn = NextSerial(*g.TxSN);
    const UnitRFIDs ids = ReadUnitRFIDs(g);
    r.rxRfid = ids.rx;
    r.txRfid = ids.tx;
    AdvanceSerials(g);
    return r;
}

FileUnitNumbers::Counters FileUnitNumbers::counters() const {
    Counters c;
    c.rxPrev = gens_.RxSN->IncPrevSN();
    c.rxCurrent = gens_.RxSN->IncCurrentSN();
    c.txPrev = gens_.TxSN->IncPrevSN();
    c.txCurrent = gens_.TxSN->IncCurrentSN();
    c.rxIdInit = gens_.RxRFID->IncInitRFID();
    c.rxIdPrev = gens_.RxRFID->IncPrevRFID();
    c.rxIdCurrent = gens_.RxRFID->IncCurrentRFID();
    c.txIdInit = gens_.TxRFID->IncInitRFID();
    c.txIdPrev = gens_.TxRFID->IncPrevRFID();
    c.txIdCurrent = gens_.TxRFID->IncCurrentRFID();
    return c;
}

void FileUnitNumbers::restoreSerials(const Counters& c) {
    gens_.RxSN->setIncCurrentSN(c.rxCurrent);
    gens_.RxSN->setIncPrevSN(c.rxPrev);
    gens_.TxSN->setIncCurrentSN(c.txCurrent);
    gens_.TxSN->setIncPrevSN(c.txPrev);
}

void FileUnitNumbers::restoreAll(const Counters& c) {
    restoreSerials(c);
    auto id = [](TProdRFID& g, int32_t init, int32_t prev, int32_t current) {
        g.setIncInitRFID(init);
        g.setIncCurrentRFID(current);
        g.setIncPrevRFID(prev);
    };
    id(*gens_.RxRFID, c.rxIdInit, c.rxIdPrev, c.rxIdCurrent);
    id(*gens_.TxRFID, c.txIdInit, c.txIdPrev, c.txIdCurrent);
}

SettingsStatus FileUnitNumbers::readyForUnit() {
    if (const SettingsStatus blocked = file_.unitsBlocked(); !blocked.ok) return blocked;
    if (file_.lastSaveFailed()) {
        const SaveResult again = file_.save(*options_, run_, gens_);
        if (!again.ok) return again;
    }
    return file_.canReplace();
}

SettingsStatus FileUnitNumbers::reserve(const std::string& unitId, ReservedNumbers& out) {
    // Settings are not written before the window was first shown: a unit
    // numbered then could not be kept.
    if (run_.NotYetActivated != 0) return {false, "No unit is numbered before the program has fully started"};
    if (const SettingsStatus ready = readyForUnit(); !ready.ok) return ready;
    const Counters before = counters();
    ReservedNumbers r = TakeUnitNumbers(gens_);
    r.unit = unitId;
    const SaveResult saved = file_.save(*options_, run_, gens_);
    if (!saved.ok) {
        // Nothing left the program: the numbers are not taken.
        restoreAll(before);
        return saved;
    }
    before_ = before;
    reserved_ = counters();
    reservedUnit_ = unitId;
    out = std::move(r);
    return {};
}

SettingsStatus FileUnitNumbers::settlePass(const ReservedNumbers& unit, const UnitOutcome&) {
    panel_.showPassDisplay(ShowPassed(gens_, UnitRFIDs{unit.rxRfid, unit.txRfid}));
    reservedUnit_.clear();
    // Nothing to save: the reservation keeps every number of the unit. The
    // Current boxes' values reach the file with the next reservation or the
    // closing save.
    return {};
}

SettingsStatus FileUnitNumbers::settleFail(const ReservedNumbers& unit, const UnitOutcome&) {
    // Only the unit reserved last, and only while nothing has moved the
    // serial counters since (the operator may have set them meanwhile).
    if (unit.unit != reservedUnit_ || !counters().sameSerials(reserved_)) return {};
    reservedUnit_.clear();
    restoreSerials(before_);
    const SaveResult saved = file_.save(*options_, run_, gens_);
    if (saved.ok) return {};
    // The file still holds the reservation: so does the program.
    restoreSerials(reserved_);
    return {false, "The serial numbers of the failed unit could not be given back; they are skipped. " +
                       saved.message};
}

} // namespace kestrelon
