#pragma once
// What detection knows of the receiver and its mouse. Detection keeps it and
// tells a LinkListener of each step; the app layer's LinkPresenter turns that
// into lamps, texts and pictures, and the command line reads the state.

namespace kestrelon {

struct LinkState {
    bool receiverOpen = false;        // a known receiver is open, with these IDs
    int vendorId = 0, productId = 0;
    bool receiverAnswered = false;    // it gave its information
    bool receiverReady = false;       // ... and its status: it can serve a unit
    bool mouseAnswering = false;      // the mouse answers over RF
    // Whether the receiver's version and the mouse's chip fit the selected
    // model, as last found (a fit until found otherwise).
    bool receiverFitsModel = true;
    bool mouseFitsModel = true;
    bool operator==(const LinkState&) const = default;
};

// Told of each step of detection, in order, with the state after it.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    virtual void linkReset(const LinkState&) = 0;          // no receiver: all dark
    virtual void devicesChanged() = 0;                      // the set of HID devices changed
    virtual void receiverOpened(const LinkState&) = 0;      // IDs known, its buttons usable
    virtual void receiverAnswered(const LinkState&) = 0;    // its information read
    virtual void receiverReady(const LinkState&) = 0;       // its status read; fits the model or not
    virtual void mouseChecked(const LinkState&) = 0;        // answers over RF or not
    // The chip byte read; unitMayStart: it fits and the receiver is still open.
    virtual void mouseIdentified(const LinkState&, bool unitMayStart) = 0;
    virtual void unitMayStart() = 0;                        // a receiver was opened anew
};

} // namespace kestrelon
