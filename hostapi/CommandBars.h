#pragma once

// The host's command bars as an add-in reaches them: menus and toolbars by name, each holding
// its controls in order. Every call may throw HostError; a bar or control that was deleted
// throws on every later call, like an object whose host part is gone.

#include "hostapi/HostError.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zelvant {

// Control types by their published numbers.
inline constexpr int kControlButton = 1;
inline constexpr int kControlPopup = 10;

// The id of every control an add-in adds; the host's own controls carry ids of their own.
inline constexpr int kCustomControlId = 1;

// How a button shows itself.
inline constexpr int kButtonAutomatic = 0;
inline constexpr int kButtonIcon = 1;
inline constexpr int kButtonCaption = 2;
inline constexpr int kButtonIconAndCaption = 3;

// Kinds of bars.
inline constexpr int kBarTypeNormal = 0;  // a toolbar
inline constexpr int kBarTypeMenuBar = 1; // the menu bar itself
inline constexpr int kBarTypePopup = 2;   // a menu of the menu bar, such as "Tools"

// Where a bar sits.
inline constexpr int kBarLeft = 0;
inline constexpr int kBarTop = 1;
inline constexpr int kBarRight = 2;
inline constexpr int kBarBottom = 3;
inline constexpr int kBarFloating = 4;
inline constexpr int kBarPopup = 5;

class CommandBar;
class CommandBarControl;

// Receives a click before the host's own action; setting cancelDefault skips that action.
using ClickHandler = std::function<void(CommandBarControl& control, bool& cancelDefault)>;

// Keeps one click handler attached to its control; destroying or resetting it detaches the
// handler. Safe to destroy after the control is gone.
class ClickSubscription {
public:
    ClickSubscription() = default;
    explicit ClickSubscription(std::function<void()> detach) : detach_(std::move(detach)) {}
    ClickSubscription(ClickSubscription&& other) noexcept : detach_(std::exchange(other.detach_, {})) {}
    ClickSubscription& operator=(ClickSubscription&& other) noexcept
    {
        if (this != &other) {
            reset();
            detach_ = std::exchange(other.detach_, {});
        }
        return *this;
    }
    ClickSubscription(const ClickSubscription&) = delete;
    ClickSubscription& operator=(const ClickSubscription&) = delete;
    ~ClickSubscription() { reset(); }

    // Detaches the handler now.
    void reset()
    {
        if (auto detach = std::exchange(detach_, {}))
            detach();
    }
    // True while a handler is attached through this subscription.
    bool attached() const { return bool(detach_); }

private:
    std::function<void()> detach_;
};

// One entry of a bar: a menu entry or a toolbar button.
class CommandBarControl {
public:
    virtual ~CommandBarControl() = default;

    // kControlButton, kControlPopup, ...
    virtual int type() const = 0;
    // kCustomControlId for controls an add-in added, the host's own id otherwise.
    virtual int id() const = 0;

    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // A free text by which add-ins find their controls again.
    virtual std::string tag() const = 0;
    virtual void setTag(const std::string& tag) = 0;
    virtual std::string parameter() const = 0;
    virtual void setParameter(const std::string& parameter) = 0;
    // What the host runs on a click when no handler cancels it, e.g. "!<Zelvant.Connect>".
    virtual std::string onAction() const = 0;
    virtual void setOnAction(const std::string& action) = 0;
    // The picture by the host's face number; 0 for none.
    virtual int faceId() const = 0;
    virtual void setFaceId(int faceId) = 0;
    // kButtonAutomatic .. kButtonIconAndCaption.
    virtual int style() const = 0;
    virtual void setStyle(int style) = 0;
    // True when a separator goes before the control.
    virtual bool beginGroup() const = 0;
    virtual void setBeginGroup(bool beginGroup) = 0;

    // The bar the control is on.
    virtual CommandBar& parent() = 0;
    // Deletes the control from its bar.
    virtual void remove() = 0;
    // Clicks the control: every attached handler, then the host's action unless one cancelled it.
    virtual void execute() = 0;
    // Attaches a handler to the control's click event.
    virtual ClickSubscription subscribeClick(ClickHandler handler) = 0;
};

using ControlPtr = std::shared_ptr<CommandBarControl>;

// A menu or a toolbar.
class CommandBar {
public:
    virtual ~CommandBar() = default;

    // The name add-ins address the bar by, the same in every language ("Tools").
    virtual std::string name() const = 0;
    // The name the user sees ("Extras").
    virtual std::string nameLocal() const = 0;
    // kBarTypeNormal, kBarTypeMenuBar or kBarTypePopup.
    virtual int type() const = 0;
    // kBarLeft .. kBarPopup.
    virtual int position() const = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    // True for the host's own bars.
    virtual bool builtIn() const = 0;

    // The controls in the order shown.
    virtual std::vector<ControlPtr> controls() = 0;
    // Adds a control of `type` with id kCustomControlId before the control at 1-based `before`,
    // which moves down one; 0 adds it at the end. Throws HostError for a position beyond the end.
    virtual ControlPtr addControl(int type, const std::string& parameter = {}, int before = 0) = 0;
    // The first control of this bar whose tag is `tag`, or nullptr.
    virtual ControlPtr findControl(const std::string& tag) = 0;
    // Deletes the bar with its controls.
    virtual void remove() = 0;
};

using BarPtr = std::shared_ptr<CommandBar>;

// All bars of the host.
class CommandBars {
public:
    virtual ~CommandBars() = default;

    // The bars in the host's order.
    virtual std::vector<BarPtr> bars() = 0;
    // The bar named exactly `name`, or nullptr.
    virtual BarPtr find(const std::string& name) = 0;
    // The bar named exactly `name`; throws HostError when there is none.
    virtual BarPtr item(const std::string& name) = 0;
    // Adds an empty, hidden toolbar at `position`; throws HostError when the name is taken.
    virtual BarPtr add(const std::string& name, int position) = 0;
    // The first control on any bar whose tag is `tag`, or nullptr.
    virtual ControlPtr findControl(const std::string& tag) = 0;
};

} // namespace zelvant
