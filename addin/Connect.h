#pragma once

// The add-in class the host creates and connects. On connection it puts its entry into the
// host's "Tools" menu and its toolbar "Zelvant" with two buttons; their clicks open the wizard
// (Show) or run the quick synchronisation (QuickShow). Unloaded by the user, it takes them away
// again; when the host merely closes, they stay and are found again by their tags next time.

#include "addin/AddinWindows.h"
#include "addin/Extensibility.h"
#include "addin/HostApplication.h"
#include "engine/LinkKeys.h"
#include "hostapi/CommandBars.h"
#include "hostapi/Registry.h"
#include "services/Messages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// The add-in's controls.
inline constexpr const char* kToolsMenu = "Tools";
inline constexpr const char* kToolbarName = "Zelvant";
inline constexpr const char* kWizardCaption = "&Zelvant Assistent";
inline constexpr const char* kSyncCaption = "&Synchronisieren";
inline constexpr const char* kMenuTag = "ZelvantWizard";
inline constexpr const char* kWizardButtonTag = "ZelvantWizardToolbar";
inline constexpr const char* kSyncButtonTag = "ZelvantSync";
inline constexpr int kWizardFaceId = 1098;
inline constexpr int kSyncFaceId = 2010;

// The save prompt before either window opens; each line ends in six blanks.
inline constexpr const char* kSavePromptText =
    "Das Projekt muss zun\u00E4chst gespeichert      \r\nwerden. Fortfahren?      ";

// The tab order of the wizard's first page as the add-in sets it before opening the wizard.
inline const std::vector<std::string> kFirstPageTabOrder{
    "cmdNext", "cmdFinish", "optSync(0)", "optSync(1)", "optSync(2)", "cmdInfo", "cmdCancel", "cmdBack"};
// The label of the link-removal page that stays hidden.
inline constexpr const char* kHiddenRemovalLabel = "lblStep703";

// What the add-in talks to besides the host.
struct ConnectServices {
    Registry& registry;    // the stored settings
    MessageSink& messages; // message boxes, errors included
    AddinWindows& windows; // the wizard and the quick synchronisation window
    const Clock& clock;    // "today" for the stored dates
};

class Connect : public Extensibility {
public:
    explicit Connect(ConnectServices services);
    ~Connect() override;
    Connect(const Connect&) = delete;
    Connect& operator=(const Connect&) = delete;

    // Remembers the host and, except when started by another program, puts the controls there.
    void OnConnection(HostApplication& application, ConnectMode mode, AddInInstance& addInInst,
                      CustomArguments& custom) override;
    // Takes the controls away when the user unloaded the add-in, and unloads both windows.
    void OnDisconnection(RemoveMode mode, CustomArguments& custom) override;
    // Nothing to do.
    void OnAddInsUpdate(CustomArguments&) override {}
    // Nothing to do.
    void OnStartupComplete(CustomArguments&) override {}
    // Nothing to do.
    void OnBeginShutdown(CustomArguments&) override {}

    // Opens the wizard over the saved plan; returns when it has closed.
    void Show();
    // Runs the quick synchronisation window over the saved plan; returns when it has closed.
    void QuickShow();

    // The menu entry, or nullptr.
    const ControlPtr& menuButton() const { return objMenuButton_; }
    // The toolbar's wizard button, or nullptr.
    const ControlPtr& toolbarButton() const { return objToolbarButton_; }
    // The toolbar's synchronisation button, or nullptr.
    const ControlPtr& toolbarButton2() const { return objToolbarButton2_; }
    // The wizard form while it is loaded, else nullptr.
    WizardFormHandle* wizardForm() const { return wizardForm_.get(); }
    // The quick synchronisation form while it is loaded, else nullptr.
    QuickSyncFormHandle* quickForm() const { return quickForm_.get(); }

private:
    ControlPtr AddMenuItem(const std::string& menuName, const std::string& caption, const std::string& tag,
                           AddInInstance& addInInst);
    BarPtr GetToolbar(HostApplication& application, ConnectMode mode, AddInInstance& addInInst,
                      const std::string& barName, bool visible);
    ControlPtr AddToolbarButton(HostApplication& application, ConnectMode mode, AddInInstance& addInInst,
                                const std::string& barName, const std::string& tag,
                                const std::string& caption, std::int32_t faceId, std::int32_t style,
                                bool beginGroup);
    void RemoveCommandBarItems(RemoveMode mode);

    void addControls(HostApplication& application, ConnectMode mode, AddInInstance& addInInst);
    void handleClicks(ControlPtr& field, ClickSubscription& subscription, ControlPtr button,
                      void (Connect::*command)());
    CommandBars& commandBars();
    ProjectApplication& projectApp();
    bool saveBeforeOpening(ProjectApplication& app);

    ConnectServices services_;
    HostApplication* hostApp_ = nullptr;
    ControlPtr objMenuButton_, objToolbarButton_, objToolbarButton2_;
    ClickSubscription menuClick_, toolbarClick_, toolbar2Click_;
    std::unique_ptr<WizardFormHandle> wizardForm_;
    std::unique_ptr<QuickSyncFormHandle> quickForm_;
};

} // namespace zelvant
