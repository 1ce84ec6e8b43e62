#pragma once
// A message sink for tests: keeps every message, caption and text, in order.

#include "model/messages.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kestrelon::test {

struct MessageRecorder : MessageSink {
    std::vector<std::pair<std::string, std::string>> messages;   // caption, text
    std::vector<MessageKind> kinds;
    std::function<void()> onMessage;   // runs inside the "modal" message

    void showMessage(MessageKind kind, const std::string& caption, const std::string& text) override {
        messages.emplace_back(caption, text);
        kinds.push_back(kind);
        if (onMessage) onMessage();
    }
    void clear() {
        messages.clear();
        kinds.clear();
    }
};

} // namespace kestrelon::test
