#include "app/settings_lock.h"

#include "app/title.h"

#include <cstring>

namespace kestrelon {

bool LockedControl::operator==(const LockedControl& o) const {
    return std::strcmp(name, o.name) == 0 && enabled == o.enabled;
}

std::vector<LockedControl> LockedControls(bool on, SerialByteCounts rx, SerialByteCounts tx) {
    return {
        {"rbMouseOnly", on}, {"rbKbdMse", on}, {"suiSpinEdit1", on}, {"suiSpinEdit2", on},
        {"cbCustKey1", on}, {"cbCustKey2", on}, {"rbRF_DR_15", on}, {"rbRF_DR_1A", on},
        {"rbRF_CPI_H", on}, {"rbRF_CPI_L", on}, {"rbRF_DR_45", on}, {"rbRF_DR_4A", on}, {"rbRF_DR_4F", on},
        {"CallMERO", on}, {"cbRF_Set_BTY_Low_Level", on}, {"edtVID_SET", on}, {"edtPID_SET", on},
        {"edtEEPROM_20", on}, {"ComboRFPower", on}, {"cbResetRF", on}, {"LRMBinding", on},
        {"cbRX_IsSN", on}, {"cbRX_IsDate", on}, {"edtRX_FixByteCount", on}, {"edtRX_IncByteCount", on},
        {"edtRX_FixSN", on && rx.fix > 0}, {"edtRX_IncInitSN", on && rx.inc > 0},
        {"rbRX_FixAscii", on}, {"rbRX_FixHex", on},
        {"Model_select", on},
        {"cbTX_IsSN", on}, {"cbTX_IsDate", on}, {"edtTX_FixByteCount", on}, {"edtTX_IncByteCount", on},
        {"edtTX_FixSN", on && tx.fix > 0}, {"edtTX_IncInitSN", on && tx.inc > 0},
        {"rbTX_FixAscii", on}, {"rbTX_FixHex", on},
        {"cbKeyboardbind", on}, {"rbRX_RandomRFID", on}, {"rbRX_CustomRFID", on}, {"edtRX_IncInitRFID", on},
        {"rbTX_RandomRFID", on}, {"rbTX_CustomRFID", on}, {"edtTX_IncInitRFID", on},
        {"gbWKUP", on}, {"rbRF_DR_25", on}, {"rbRF_DR_2A", on},
        {"TX_Erased", on}, {"RX_Erased", on},
        {"gbFnKey", on}, {"Fn_Enabled", on},
        {"FnF1", on}, {"FnF2", on}, {"FnF3", on}, {"FnF4", on}, {"FnF5", on}, {"FnF6", on},
        {"FnF7", on}, {"FnF8", on}, {"FnF9", on}, {"FnF10", on}, {"FnF11", on}, {"FnF12", on},
        {"FNPB", on}, {"FnPR", on}, {"FnBreak", on}, {"FnUIO", on}, {"fndirection", on},
    };
}

std::vector<LockedControl> SettingsLock::controls() const {
    auto counts = [](const TProdSN& sn) { return SerialByteCounts{sn.FixSNByteCount(), sn.IncSNByteCount()}; };
    return LockedControls(p_.state->unlocked, counts(*p_.generators.RxSN), counts(*p_.generators.TxSN));
}

void SettingsLock::setUnlocked(bool on) {
    // The numbering panel's Fixed and Initial boxes follow the lock as well.
    p_.panel.setSettingsEnabled(on);
    p_.state.edit([on](LockState& s) { s.unlocked = on; });
}

void SettingsLock::imgLogoDblClick() {
    if (p_.state->unlocked) {
        setUnlocked(false);
        p_.messages.showMessage(MessageKind::Plain, kApplicationTitle, "Locked");
        return;
    }
    p_.state.edit([](LockState& s) { ++s.UnlockTries; });
    if (p_.state->UnlockTries % 5 != 0 || !askPassword) return;
    const std::optional<std::string> typed = askPassword();
    // A wrong password and Cancel say nothing: the next prompt comes five
    // double-clicks later.
    if (typed && passwordMatches && passwordMatches(*typed)) setUnlocked(true);
}

} // namespace kestrelon
