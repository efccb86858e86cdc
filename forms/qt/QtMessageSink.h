#pragma once

#include "services/Messages.h"

class QWidget;

namespace zelvant {

// Message boxes over a window: a warning with the exclamation icon and an OK button, a piece of
// information with its icon, a question answered "Ja" or "Nein".
class QtMessageSink : public MessageSink {
public:
    explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}

    // The window the boxes are centred over and modal to.
    void setParent(QWidget* parent) { parent_ = parent; }

    // Shows the warning and returns when the user pressed OK.
    void warning(const std::string& text, const std::string& title) override;
    // Shows the information and returns when the user pressed OK.
    void information(const std::string& text, const std::string& title) override;
    // Asks and returns true for "Ja".
    bool askYesNo(const std::string& text, const std::string& title) override;

private:
    QWidget* parent_;
};

} // namespace zelvant
