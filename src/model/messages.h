#pragma once
// Modal messages go through one sink that the front end installs: the window
// shows dialogs, the command line prints a line, tests record them. Nothing
// keeps them.

#include <string>

namespace kestrelon {

enum class MessageKind {
    Warning,   // dlgError, caption "Message"
    Pairing,   // dlgBind: the result of a pairing
    Plain,     // a plain box with an OK button ("Locked")
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(MessageKind kind, const std::string& caption, const std::string& text) = 0;
};

// What the core talks to: forwards to the sink a front end installed, or
// drops the message while none is.
class MessageRouter : public MessageSink {
public:
    void install(MessageSink* sink) { sink_ = sink; }
    void showMessage(MessageKind kind, const std::string& caption, const std::string& text) override {
        if (sink_) sink_->showMessage(kind, caption, text);
    }
    // The warning box of the main window (dlgError, caption "Message").
    void warning(const std::string& text) { showMessage(MessageKind::Warning, "Message", text); }

private:
    MessageSink* sink_ = nullptr;
};

} // namespace kestrelon
