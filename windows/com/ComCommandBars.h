#pragma once

// The host's command bars over their automation objects, and the click events of a button
// through its connection point (_CommandBarButtonEvents, whose Click is DISPID 1).

#include "hostapi/CommandBars.h"
#include "windows/com/Com.h"

namespace zelvant {

// The button events' dispatch interface.
inline constexpr GUID kCommandBarButtonEvents{
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class ComCommandBar;

class ComCommandBarControl : public CommandBarControl {
public:
    explicit ComCommandBarControl(Dispatch control) : control_(std::move(control)) {}

    int type() const override;
    int id() const override;
    std::string caption() const override;
    void setCaption(const std::string& caption) override;
    std::string tag() const override;
    void setTag(const std::string& tag) override;
    std::string parameter() const override;
    void setParameter(const std::string& parameter) override;
    std::string onAction() const override;
    void setOnAction(const std::string& action) override;
    int faceId() const override;
    void setFaceId(int faceId) override;
    int style() const override;
    void setStyle(int style) override;
    bool beginGroup() const override;
    void setBeginGroup(bool beginGroup) override;
    CommandBar& parent() override;
    void remove() override;
    void execute() override;
    ClickSubscription subscribeClick(ClickHandler handler) override;

private:
    Dispatch control_;
    std::shared_ptr<ComCommandBar> parent_;
};

class ComCommandBar : public CommandBar {
public:
    explicit ComCommandBar(Dispatch bar) : bar_(std::move(bar)) {}

    std::string name() const override;
    std::string nameLocal() const override;
    int type() const override;
    int position() const override;
    bool visible() const override;
    void setVisible(bool visible) override;
    bool builtIn() const override;
    std::vector<ControlPtr> controls() override;
    ControlPtr addControl(int type, const std::string& parameter, int before) override;
    ControlPtr findControl(const std::string& tag) override;
    void remove() override;

private:
    Dispatch bar_;
};

class ComCommandBars : public CommandBars {
public:
    explicit ComCommandBars(Dispatch bars) : bars_(std::move(bars)) {}

    std::vector<BarPtr> bars() override;
    BarPtr find(const std::string& name) override;
    BarPtr item(const std::string& name) override;
    BarPtr add(const std::string& name, int position) override;
    ControlPtr findControl(const std::string& tag) override;

private:
    Dispatch bars_;
};

} // namespace zelvant
