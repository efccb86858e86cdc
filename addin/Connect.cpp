#include "addin/Connect.h"

#include "addin/AddinError.h"
#include "addin/ErrorReport.h"
#include "hostapi/Text.h"
#include "services/ProjectChecks.h"
#include "services/Settings.h"

#include <algorithm>
#include <array>
#include <functional>

namespace zelvant {

namespace {

// The host's own "Tools" entries before which the add-in's entry goes.
constexpr std::array<int, 4> kInsertBeforeIds{2131, 40085, 40196, 40092};
// Entries of related products: when one comes first, the add-in's entry joins their group.
constexpr std::array<const char*, 2> kRelatedCaptions{"rembaplot", "kovixplan"};

// Runs one step of a command; a failing step is passed over without a word, so a hiccup of the
// host never keeps the user from the window or leaves the host's screen switched off.
void step(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception&) {
        // See above: the steps only prepare the window; the window's run reports its own failures.
    }
}

bool isRelatedEntry(const std::string& caption)
{
    const std::string lower = lowerAscii(caption);
    return std::any_of(kRelatedCaptions.begin(), kRelatedCaptions.end(),
                       [&](const char* name) { return lower.find(name) != std::string::npos; });
}

std::string actionText(const AddInInstance& addInInst)
{
    return "!<" + addInInst.progId + ">";
}

// The plan application when the host is none: every call fails like a missing object.
class NoProjectApplication : public ProjectApplication {
public:
    Project& activeProject() override { fail(); }
    std::vector<Task*> activeSelectionTasks() override { fail(); }
    void setHostSwitch(bool) override { fail(); }
    void fileSave() override { fail(); }
    Minutes dateDifference(DateTime, DateTime, const std::string&) override { fail(); }

private:
    [[noreturn]] static void fail() { throw AddinError(kErrObjectNotSet, kErrObjectNotSetText); }
};

// Only a button reports clicks; any other control found by a tag is the wrong kind.
ControlPtr asButton(ControlPtr control)
{
    if (control && control->type() != kControlButton)
        throw AddinError(kErrTypeMismatch, kErrTypeMismatchText);
    return control;
}

} // namespace

Connect::Connect(ConnectServices services) : services_(services) {}

Connect::~Connect() = default;

// Connection ----------------------------------------------------------------------------------------

void Connect::OnConnection(HostApplication& application, ConnectMode mode, AddInInstance& addInInst,
                           CustomArguments&)
{
    hostApp_ = &application;
    try {
        if (mode == ConnectMode::External)
            Show();
        else
            addControls(application, mode, addInInst);
        if (mode == ConnectMode::AfterStartup && readDisplayOnConnect(services_.registry))
            Show();
    } catch (const std::exception& error) {
        // Controls made before the failure stay; the user learns of it once.
        AddInErr(services_.messages, error);
    }
}

void Connect::addControls(HostApplication& application, ConnectMode mode, AddInInstance& addInInst)
{
    handleClicks(objMenuButton_, menuClick_, AddMenuItem(kToolsMenu, kWizardCaption, kMenuTag, addInInst),
                 &Connect::Show);
    const BarPtr bar = GetToolbar(application, mode, addInInst, kToolbarName, true);
    handleClicks(objToolbarButton_, toolbarClick_,
                 AddToolbarButton(application, mode, addInInst, bar->name(), kWizardButtonTag, kWizardCaption,
                                  kWizardFaceId, kButtonIconAndCaption, false),
                 &Connect::Show);
    handleClicks(objToolbarButton2_, toolbar2Click_,
                 AddToolbarButton(application, mode, addInInst, bar->name(), kSyncButtonTag, kSyncCaption,
                                  kSyncFaceId, kButtonIconAndCaption, true),
                 &Connect::QuickShow);
}

void Connect::handleClicks(ControlPtr& field, ClickSubscription& subscription, ControlPtr button,
                           void (Connect::*command)())
{
    field = asButton(std::move(button));
    subscription.reset();
    if (!field)
        return;
    // The handler takes no notice of its arguments, lets the host's own action run and never
    // lets a failure reach the host.
    subscription = field->subscribeClick(
        [this, command](CommandBarControl&, bool&) { step([&] { (this->*command)(); }); });
}

ControlPtr Connect::AddMenuItem(const std::string& menuName, const std::string& caption,
                                const std::string& tag, AddInInstance& addInInst)
{
    try {
        const BarPtr menu = commandBars().find(menuName);
        if (!menu)
            return nullptr;
        // The entry goes before the first of the host's marked entries, or before the last one.
        int position = 0;
        bool beginGroup = true;
        for (const ControlPtr& control : menu->controls()) {
            ++position;
            if (isRelatedEntry(control->caption()))
                beginGroup = false;
            if (std::find(kInsertBeforeIds.begin(), kInsertBeforeIds.end(), control->id()) !=
                kInsertBeforeIds.end())
                break;
        }
        ControlPtr button = asButton(menu->findControl(tag));
        if (!button) {
            button = menu->addControl(kControlButton, {}, position);
            button->setBeginGroup(beginGroup);
        }
        button->setCaption(caption);
        button->setTag(tag);
        button->setFaceId(kWizardFaceId);
        button->setOnAction(actionText(addInInst));
        return button;
    } catch (const std::exception& error) {
        AddInErr(services_.messages, error);
        return nullptr;
    }
}

BarPtr Connect::GetToolbar(HostApplication&, ConnectMode, AddInInstance&, const std::string& barName,
                           bool visible)
{
    CommandBars& bars = commandBars();
    bool found = false;
    for (const BarPtr& bar : bars.bars())
        if (bar->name() == barName)
            found = true;
    if (!found) {
        const BarPtr bar = bars.add(barName, kBarTop);
        bar->setVisible(visible);
    }
    return bars.item(barName);
}

ControlPtr Connect::AddToolbarButton(HostApplication&, ConnectMode, AddInInstance& addInInst,
                                     const std::string& barName, const std::string& tag,
                                     const std::string& caption, std::int32_t faceId, std::int32_t style,
                                     bool beginGroup)
{
    const BarPtr bar = commandBars().item(barName);
    // A button from an earlier connection is taken as the user may have left it.
    if (ControlPtr found = bar->findControl(tag))
        return found;
    ControlPtr button = bar->addControl(kControlButton, tag);
    button->setCaption(caption);
    button->setTag(tag);
    button->setStyle(style);
    button->setFaceId(faceId);
    button->setOnAction(actionText(addInInst));
    button->setBeginGroup(beginGroup);
    return button;
}

// Disconnection -------------------------------------------------------------------------------------

void Connect::OnDisconnection(RemoveMode mode, CustomArguments&)
{
    step([&] { RemoveCommandBarItems(mode); });
    wizardForm_.reset();
    quickForm_.reset();
}

void Connect::RemoveCommandBarItems(RemoveMode mode)
{
    // A host that merely closes keeps the controls for the next start.
    if (mode != RemoveMode::UserClosed)
        return;
    const auto removeTagged = [this](const char* tag) {
        const ControlPtr control = commandBars().findControl(tag);
        if (!control)
            throw AddinError(kErrObjectNotSet, kErrObjectNotSetText);
        control->remove();
    };
    step([&] { removeTagged(kWizardButtonTag); });
    step([&] { removeTagged(kSyncButtonTag); });
    step([&] {
        // A control someone else put on the toolbar keeps it in place.
        const BarPtr bar = commandBars().item(kToolbarName);
        if (bar->controls().empty())
            bar->remove();
    });
    step([&] { removeTagged(kMenuTag); });
}

// Entry commands ------------------------------------------------------------------------------------

void Connect::Show()
{
    step([&] {
        if (!wizardForm_)
            wizardForm_ = services_.windows.createWizard();
    });
    ProjectApplication& app = projectApp();
    if (!IsProjectOpen(app, services_.messages, true, kMessageTitle))
        return;
    if (!saveBeforeOpening(app))
        return;
    const auto wizard = [this]() -> WizardFormHandle& {
        if (!wizardForm_)
            throw AddinError(kErrObjectNotSet, kErrObjectNotSetText);
        return *wizardForm_;
    };
    step([&] {
        // The stored choices again before every opening, over what the form holds now.
        WizardOptions options = wizard().options();
        LoadSettings(services_.registry, options, services_.clock.now());
        wizard().applyOptions(options);
    });
    step([&] { wizard().setTabOrder(kFirstPageTabOrder); });
    step([&] { wizard().hideLabel(kHiddenRemovalLabel); });
    step([&] { wizard().showModal(); });
    step([&] { app.fileSave(); });
    step([&] { app.setHostSwitch(true); });
}

void Connect::QuickShow()
{
    step([&] {
        if (!quickForm_)
            quickForm_ = services_.windows.createQuickSync();
    });
    ProjectApplication& app = projectApp();
    if (!IsProjectOpen(app, services_.messages, true, kMessageTitle))
        return;
    if (!ProjectHasTasks(app, services_.messages, true, kMessageTitle))
        return;
    if (!saveBeforeOpening(app))
        return;
    // The quick synchronisation reads the settings it needs itself.
    step([&] {
        if (!quickForm_)
            throw AddinError(kErrObjectNotSet, kErrObjectNotSetText);
        quickForm_->showModal();
    });
    step([&] { app.fileSave(); });
    step([&] { app.setHostSwitch(true); });
}

bool Connect::saveBeforeOpening(ProjectApplication& app)
{
    bool proceed = false;
    step([&] { proceed = services_.messages.askYesNo(kSavePromptText, kMessageTitle); });
    if (!proceed)
        return false;
    step([&] { app.setHostSwitch(false); });
    step([&] {
        // Writing the text back marks even an unchanged plan as changed, so it is really saved.
        Project& project = app.activeProject();
        const std::string text = project.text();
        project.setText(text);
    });
    step([&] { app.fileSave(); });
    // A flag that cannot be read counts as unsaved: no window opens over a plan not on disk.
    bool saved = false;
    step([&] { saved = app.activeProject().saved(); });
    if (!saved) {
        step([&] { app.setHostSwitch(true); });
        return false;
    }
    return true;
}

// Host objects --------------------------------------------------------------------------------------

CommandBars& Connect::commandBars()
{
    CommandBars* bars = hostApp_ ? hostApp_->commandBars() : nullptr;
    if (!bars)
        throw AddinError(kErrObjectNotSet, kErrObjectNotSetText);
    return *bars;
}

ProjectApplication& Connect::projectApp()
{
    static NoProjectApplication none;
    ProjectApplication* app = nullptr;
    step([&] { app = hostApp_ ? hostApp_->projectApplication() : nullptr; });
    return app ? *app : none;
}

} // namespace zelvant
