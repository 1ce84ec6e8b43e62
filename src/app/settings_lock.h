#pragma once
// The settings lock. On the line the operator only presses Go; a supervisor
// unlocks the settings with a double-click on the logo and the password,
// and locks them again with the next double-click. While locked, every
// double-click is counted and every fifth one asks for the password. The
// lock is not stored: every start is locked.

#include "model/messages.h"
#include "model/observed.h"
#include "model/presentation.h"
#include "numbering/generators.h"
#include "numbering/numbering_panel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

// One control the lock sets, by its form name (compared ignoring letter
// case: "FnF7" is the form's Fnf7).
struct LockedControl {
    const char* name;
    bool enabled;
    bool operator==(const LockedControl& o) const;
};

// The byte counts of a serial number, which decide whether its Fixed and
// Initial boxes can be used.
struct SerialByteCounts {
    int fix = 0;
    int inc = 0;
};

// The controls that follow the lock, in the order the lock sets them: each
// enabled exactly when unlocked, except the Fixed and Initial serial-number
// boxes, which also need their part to have at least one byte.
std::vector<LockedControl> LockedControls(bool unlocked, SerialByteCounts rx, SerialByteCounts tx);

class SettingsLock {
public:
    struct Parts {
        Observed<LockState>& state;
        NumberingPanel& panel;
        NumberingGenerators& generators;
        MessageRouter& messages;
    };
    explicit SettingsLock(Parts p) : p_(p) {}

    // The password prompt (dlgPass): the typed text when closed with OK,
    // nothing on Cancel. Installed by the front end.
    std::function<std::optional<std::string>()> askPassword;
    // Whether the typed text is the password: exactly, letter case counts
    // and nothing is trimmed. Installed by the front end, which holds only
    // a salted hash of the password.
    std::function<bool(const std::string&)> passwordMatches;

    // The double-click on the visible logo (imgLogo or imgCust).
    void imgLogoDblClick();

    // The controls follow the lock from the first double-click on; until
    // then the form's own states hold, so the suspend spin edits stay free.
    bool controlsFollow() const { return p_.state->UnlockTries > 0 || p_.state->unlocked; }
    // LockedControls for the lock and the generators as they are now.
    std::vector<LockedControl> controls() const;

private:
    void setUnlocked(bool on);

    Parts p_;
};

} // namespace kestrelon
