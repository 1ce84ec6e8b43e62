#pragma once
// What the model choice and the remaining setting controls mean beyond
// their values: the groups each model offers, the texts beside the suspend
// periods, and the settings write that follows a change of the USB identity.

#include "model/observed.h"
#include "model/product_settings.h"
#include "model/run_state.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrelon {

// A number in the shortest general form: up to 15 significant digits, no
// trailing zeros, no decimal point for a whole number.
std::string ShortestGeneral(double v);
// Label3 beside the sleep period v of suiSpinEdit1: (256 - v) x 9.1418 ms.
std::string SleepPeriodLabel(int v);
// Label4 beside the wake-up period v of suiSpinEdit2: (v + 1) x 0.4 ms.
std::string WakeupPeriodLabel(int v);

// The window's looks for a model: which optional groups it offers and
// where "Enabled Auto MREO" (CallMERO) sits.
struct ModelLook {
    bool suspendGroup;   // suiGroupBox2, "Rx USB Suspend Behavior"
    bool lrmGroup;       // suiGroupBox3, "L+R+M Binding"
    bool fnKeyGroup;     // gbFnKey, "Fn Key Configuration"
    int callMeroTop;     // model "01" moves it up into the L+R+M group's place
    bool operator==(const ModelLook&) const = default;
};
// Nothing for an index without an item: the looks stay as they are.
std::optional<ModelLook> ModelLookFor(int itemIndex);

// The USB identity boxes (edtVID_SET, edtPID_SET, edtEEPROM_20) store the
// settings whenever their text changes outside a production run and a
// settings load, whoever changed it: the operator or a read from the
// receiver.
class UsbIdentityWatch {
public:
    UsbIdentityWatch(Observed<ProductSettings>& options, const RunState& run, std::function<void()> save);
    ~UsbIdentityWatch();
    UsbIdentityWatch(const UsbIdentityWatch&) = delete;
    UsbIdentityWatch& operator=(const UsbIdentityWatch&) = delete;

    // While one lives, changes are taken as they are and store nothing (a
    // settings load announces its changes when it has already ended).
    class Quiet {
    public:
        explicit Quiet(UsbIdentityWatch& w) : w_(w) { ++w_.quiet_; }
        ~Quiet() { --w_.quiet_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        UsbIdentityWatch& w_;
    };
    [[nodiscard]] Quiet quiet() { return Quiet(*this); }

private:
    void changed();

    Observed<ProductSettings>& options_;
    const RunState& run_;
    std::function<void()> save_;
    Notifier::Connection watch_;
    std::string vid_, pid_, desc_;
    int quiet_ = 0;
};

} // namespace kestrelon
