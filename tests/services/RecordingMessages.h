#pragma once

#include "services/Messages.h"

#include <string>
#include <vector>

namespace zelvant {

// Keeps every message instead of showing it; answers questions with a preset answer.
class RecordingMessages : public MessageSink {
public:
    struct Message {
        std::string kind, text, title; // kind: "warning", "information" or "question"
    };
    using S = const std::string&;
    void warning(S text, S title) override { messages.push_back({"warning", text, title}); }
    void information(S text, S title) override { messages.push_back({"information", text, title}); }
    bool askYesNo(S text, S title) override { return messages.push_back({"question", text, title}), answer; }
    // Every message as "title: text", in the order shown.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> result;
        for (const Message& message : messages)
            result.push_back(message.title + ": " + message.text);
        return result;
    }
    std::vector<Message> messages;
    bool answer = true;
};

} // namespace zelvant
