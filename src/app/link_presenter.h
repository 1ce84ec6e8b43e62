#pragma once
// Shows what detection knows of the link (LinkState): the two lamps and
// their texts, the receiver's IDs, the connect picture and the buttons a
// receiver makes usable, Go, and the result area cleared when the devices
// change.

#include "device/link_state.h"
#include "model/presentation.h"

#include <functional>
#include <string>

namespace kestrelon {

// The lamps and texts a link state shows: the receiver's lamp is lit once it
// is ready, the mouse's while it answers; each is green while it fits the
// selected model.
Lamp RxLamp(const LinkState& s);
Lamp TxLamp(const LinkState& s);
std::string RxText(const LinkState& s);   // "Mouse RX Ready" or "Mouse RX Not Ready"
std::string TxText(const LinkState& s);   // "Mouse TX Ready" or "Mouse TX Not Ready"

// Whether the devices group's RX type is mouse (rbMSE), as the dongle is
// told it.
std::function<bool()> MouseRxChosen(const Observed<DeviceStatus>& devices);

class LinkPresenter : public LinkListener {
public:
    LinkPresenter(Observed<DeviceStatus>& devices, Observed<ResultArea>& result, Observed<int>& progress)
        : devices_(devices), result_(result), progress_(progress) {}

    void linkReset(const LinkState& s) override;
    void devicesChanged() override;
    void receiverOpened(const LinkState& s) override;
    void receiverAnswered(const LinkState& s) override;
    void receiverReady(const LinkState& s) override;
    void mouseChecked(const LinkState& s) override;
    void mouseIdentified(const LinkState& s, bool unitMayStart) override;
    void unitMayStart() override;

private:
    Observed<DeviceStatus>& devices_;
    Observed<ResultArea>& result_;
    Observed<int>& progress_;
};

} // namespace kestrelon
