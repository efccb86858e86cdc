#include "windows/dialogs/NativeWindows.h"

#include "engine/LinkKeys.h"
#include "forms/WizardSettingsStore.h"
#include "hostapi/HostError.h"
#include "services/Settings.h"
#include "windows/com/Wide.h"
#include "windows/dialogs/NativeDialogs.h"
#include "windows/dialogs/Win32Support.h"

#include <shellapi.h>

#include <algorithm>

namespace zelvant {

namespace {

class NativeWizardForm : public WizardFormHandle {
public:
    explicit NativeWizardForm(const NativeWindowsContext& context) : context_(context)
    {
        options_ = wizardStartOptions(DateTime{dateOf(SystemClock().now())});
    }

    WizardOptions options() const override { return options_; }
    void applyOptions(const WizardOptions& options) override { options_ = options; }
    void setTabOrder(const std::vector<std::string>& controls) override { setup_.tabOrder = controls; }
    void hideLabel(const std::string& name) override
    {
        // The add-in says so before every opening; once is enough.
        if (std::ranges::find(setup_.hiddenLabels, name) == setup_.hiddenLabels.end())
            setup_.hiddenLabels.push_back(name);
    }

    void showModal() override
    {
        AppliedSettings settings(context_.registry, options_);
        const SystemClock clock;
        const WizardEnvironment environment{context_.host,
                                            context_.launcher,
                                            context_.messages,
                                            settings,
                                            clock,
                                            LinkKeyGenerator::randomSeed()};
        native::showWizard(environment, setup_, context_.shell, native::hostWindow());
    }

private:
    NativeWindowsContext context_;
    WizardOptions options_;
    native::WizardSetup setup_;
};

class NativeQuickSyncForm : public QuickSyncFormHandle {
public:
    explicit NativeQuickSyncForm(const NativeWindowsContext& context) : context_(context) {}

    void showModal() override
    {
        Registry& registry = context_.registry;
        native::showQuickSync({context_.host, context_.launcher, context_.messages,
                               [&registry] { return recreateDeletedAppointments(registry); }},
                              native::hostWindow());
    }

private:
    NativeWindowsContext context_;
};

class NativeAddinWindows : public AddinWindows {
public:
    explicit NativeAddinWindows(const NativeWindowsContext& context) : context_(context) {}

    std::unique_ptr<WizardFormHandle> createWizard() override
    {
        return std::make_unique<NativeWizardForm>(context_);
    }
    std::unique_ptr<QuickSyncFormHandle> createQuickSync() override
    {
        return std::make_unique<NativeQuickSyncForm>(context_);
    }

private:
    NativeWindowsContext context_;
};

// The boxes' buttons in German where the system has the language, otherwise in its own.
constexpr WORD kGerman = WORD(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));

int showBox(const std::string& text, const std::string& title, UINT type)
{
    // Task-modal over whatever window of the host is active: the box may come from a run
    // inside one of our windows or straight from the add-in's menu command.
    return MessageBoxExW(GetActiveWindow(), wide(text).c_str(), wide(title).c_str(), type | MB_TASKMODAL,
                         kGerman);
}

} // namespace

std::unique_ptr<AddinWindows> makeNativeWindows(const NativeWindowsContext& context)
{
    return std::make_unique<NativeAddinWindows>(context);
}

void NativeMessageSink::warning(const std::string& text, const std::string& title)
{
    showBox(text, title, MB_OK | MB_ICONEXCLAMATION);
}

void NativeMessageSink::information(const std::string& text, const std::string& title)
{
    showBox(text, title, MB_OK | MB_ICONINFORMATION);
}

bool NativeMessageSink::askYesNo(const std::string& text, const std::string& title)
{
    return showBox(text, title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void NativeShell::open(const std::string& address)
{
    // ShellExecuteW answers with a number above 32 when the handler took the address.
    const auto answer = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (answer <= 32)
        throw HostError("Die Adresse " + address + " konnte nicht ge\u00F6ffnet werden (Fehler " +
                        std::to_string(answer) + ").");
}

} // namespace zelvant
