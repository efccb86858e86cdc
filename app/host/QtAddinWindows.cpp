#include "app/host/QtAddinWindows.h"

#include "forms/WizardSettingsStore.h"
#include "forms/qt/InfoDialog.h"
#include "forms/qt/QtMessageSink.h"
#include "forms/qt/QuickSyncWindow.h"
#include "forms/qt/WizardWindow.h"
#include "hosts/caldav/CalDavLauncher.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "services/Registry.h"
#include "services/Settings.h"

#include <QWidget>

#include <string>
#include <vector>

namespace zelvant {

namespace {

void applyTabOrder(QWidget& window, const std::vector<std::string>& names)
{
    QWidget* previous = nullptr;
    for (const std::string& name : names) {
        auto* widget = window.findChild<QWidget*>(QString::fromStdString(name));
        if (!widget)
            continue;
        widget->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            widget->setFocus(Qt::OtherFocusReason);
        previous = widget;
    }
}

// Tells the host that a window's run begins, and that its window closed, however it closed.
class RunScope {
public:
    RunScope(const QtAddinWindows::Options& options, const std::filesystem::path& calendar)
        : options_(options)
    {
        if (options_.runStarts)
            options_.runStarts(calendar);
    }
    ~RunScope()
    {
        if (options_.windowClosed)
            options_.windowClosed();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    const QtAddinWindows::Options& options_;
};

} // namespace

class QtAddinWindows::Wizard : public WizardFormHandle {
public:
    explicit Wizard(QtAddinWindows& owner) : owner_(owner)
    {
        options_ = wizardStartOptions(DateTime{dateOf(SystemClock().now())});
    }

    WizardOptions options() const override { return options_; }
    void applyOptions(const WizardOptions& options) override { options_ = options; }
    void setTabOrder(const std::vector<std::string>& controls) override { tabOrder_ = controls; }
    void hideLabel(const std::string& name) override { hidden_.push_back(name); }

    void showModal() override
    {
        const std::filesystem::path calendar = defaultCalendarPath(owner_.registry_);
        const RunScope run(owner_.options_, calendar);
        const auto launcher =
            launcherFor(calendar.string(), planTimeZone(owner_.registry_, CalendarFile::systemTimeZone()),
                        owner_.options_.serverWrote);
        AppliedSettings settings(owner_.registry_, options_);
        QtMessageSink boxes;
        const SystemClock clock;
        MessageSink& messages = owner_.options_.messages ? *owner_.options_.messages : boxes;
        WizardWindow* shown = nullptr;
        WizardWindow window(
            {owner_.host_, *launcher, messages, settings, clock, LinkKeyGenerator::randomSeed()},
            [this, &shown] { InfoDialog::showOver(shown, owner_.shell_); });
        shown = &window;
        boxes.setParent(&window);
        for (const std::string& name : hidden_)
            if (auto* label = window.findChild<QWidget*>(QString::fromStdString(name)))
                label->hide();
        applyTabOrder(window, tabOrder_);
        window.exec();
    }

private:
    QtAddinWindows& owner_;
    WizardOptions options_;
    std::vector<std::string> tabOrder_;
    std::vector<std::string> hidden_;
};

namespace {

// A failure of the calendar as a whole (reading or writing it, not one task's appointment)
// means the calendar's side of the run did not land while the plan's did.
std::optional<std::string> saveRefusalAfter(const QuickSyncResult& result)
{
    std::string reasons;
    for (const RunReport::Failure& failure : result.report.failures())
        if (failure.subject == "Kalender")
            reasons += "\n" + failure.action + ": " + failure.reason;
    if (reasons.empty())
        return std::nullopt;
    return "Der Plan wurde nicht gespeichert: Der Kalender hat die \u00C4nderungen der Synchronisierung "
           "nicht "
           "\u00FCbernommen, und ein gespeicherter Plan st\u00FCnde nicht mehr im Einklang mit ihm. "
           "\u00D6ffnen Sie "
           "den Plan neu und synchronisieren Sie noch einmal, wenn der Kalender wieder erreichbar ist." +
           reasons;
}

} // namespace

class QtAddinWindows::QuickSync : public QuickSyncFormHandle {
public:
    explicit QuickSync(QtAddinWindows& owner) : owner_(owner) {}

    void showModal() override
    {
        const std::filesystem::path calendar = defaultCalendarPath(owner_.registry_);
        const RunScope run(owner_.options_, calendar);
        const auto launcher =
            launcherFor(calendar.string(), planTimeZone(owner_.registry_, CalendarFile::systemTimeZone()),
                        owner_.options_.serverWrote);
        Registry& registry = owner_.registry_;
        QuickSyncInputs inputs{owner_.host_, *launcher,
                               [&registry] { return recreateDeletedAppointments(registry); },
                               owner_.options_.messages, owner_.options_.wait};
        QuickSyncWindow window(inputs);
        owner_.saveRefusal_.reset();
        window.exec();
        owner_.lastQuickSync_ = window.runResult();
        owner_.saveRefusal_ = saveRefusalAfter(window.runResult());
    }

private:
    QtAddinWindows& owner_;
};

QtAddinWindows::QtAddinWindows(ProjectApplication& host, Registry& registry, Shell& shell, Options options)
    : host_(host), registry_(registry), shell_(shell), options_(std::move(options))
{
}

QtAddinWindows::~QtAddinWindows() = default;

std::unique_ptr<WizardFormHandle> QtAddinWindows::createWizard()
{
    return std::make_unique<Wizard>(*this);
}

std::unique_ptr<QuickSyncFormHandle> QtAddinWindows::createQuickSync()
{
    return std::make_unique<QuickSync>(*this);
}

} // namespace zelvant
