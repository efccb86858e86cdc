#pragma once

#include "services/Messages.h"

#include <string>
#include <vector>

namespace zelvant {

// Keeps every message instead of showing it; answers questions with a preset answer.
class RecordingMessages : public MessageSink {
public:
    struct Message {
        std::string kind; // "warning", "information" or "question"
        std::string text;
        std::string title;
    };
    void warning(const std::string& text, const std::string& title) override { add("warning", text, title); }
    void information(const std::string& text, const std::string& title) override { add("information", text, title); }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        return add("question", text, title), answer;
    }
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

private:
    void add(const char* kind, const std::string& text, const std::string& title)
    {
        messages.push_back({kind, text, title});
    }
};

} // namespace zelvant
