#pragma once

#include "engine/LinkKeys.h"
#include "engine/LinkRemoval.h"
#include "engine/Progress.h"
#include "forms/WizardForm.h"
#include "forms/WizardSettingsStore.h"
#include "hostapi/CalendarApi.h"
#include "hostapi/ProjectApi.h"
#include "services/Messages.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zelvant {

class CalendarConnection;
class RunReport;

// What the wizard works on and talks to.
struct WizardEnvironment {
    ProjectApplication& host;
    CalendarLauncher& launcher;
    MessageSink& messages; // message boxes, answered with OK
    WizardSettingsStore& settings;
    const Clock& clock;    // "today" for the date pickers, and the time inside new link keys
    std::uint64_t keySeed; // seeds the link keys of a run
};

// The option arrays of the wizard.
enum class OptionArray { Sync, LinkType, Task, AppointmentType };
// The four check-box lists.
enum class WizardList { Tasks, Appointments, DeleteLinks, Sync };

// What a click on cmdFinish led to.
enum class FinishResult {
    Stayed,   // the selection check failed; the page is unchanged
    Finished, // the run is over and cmdFinish now reads "Fertig"
    Close,    // the user clicked "Fertig": the window closes
};

// What a click on cmdFinish leads to before anything runs.
enum class FinishStep {
    Stay,  // the selection check failed; the page is unchanged
    Run,   // the progress page shows: runFinish() does the operation
    Close, // the user clicked "Fertig": the window closes
};

// The pages of the wizard in the order the window stacks them, then the two states of a run.
enum class WizardPage {
    Operation = 1,     // link, synchronise or remove links
    Direction,         // tasks into appointments or appointments into tasks
    TaskChoice,        // which tasks: all, a resource's, the selected ones
    TaskList,          // the tasks to link
    AppointmentChoice, // which appointments: all, a category's, a period's
    AppointmentList,   // the appointments to link
    RemovalList,       // the links to remove
    SyncList,          // the links to synchronise
    Running,           // the progress page while the operation runs
    Finished,          // the progress page after it, with "Fertig"
};

// What a page shows, by control name; the texts of the labels are in WizardTexts.h.
struct WizardPageView {
    const char* name = "";                // as the page has always been called: "Step1".."Step9", "StepX"
    const char* frame = "";               // "fraStep1".."fraStep8"; "" for the progress page
    const char* title = "";               // the bold label at the top
    std::vector<const char*> texts = {};  // the explaining labels, top to bottom
    std::vector<const char*> inputs = {}; // the page's own controls, in tab order
};

// An appointment offered on the appointment page, with the identifier it had then.
struct OfferedAppointment {
    AppointmentPtr item;
    std::string entryId;
};

// The collections the wizard keeps between its pages.
struct WizardCollections {
    std::vector<Task*> tasks, tasksToLink;                            // task page
    std::vector<OfferedAppointment> appointments, appointmentsToLink; // appointment page
    std::vector<Task*> linkedTasks;                                   // removal page
    std::vector<LinkRow> tasksToUnlink;                               // the ticked removal rows
    std::vector<Task*> syncTasks, tasksToSync;                        // synchronisation page
    std::vector<std::string> categories;                              // the category box
};

// The wizard "Zelvant Assistent" without any toolkit: its pages, button states, tab orders, option
// arrays, lists and the run of the chosen operation. Errors of the plan or the calendar never
// stop a page change; they leave the affected list or box empty.
class WizardLogic : private ProgressSink {
public:
    // Loads the form, applies the stored options and shows the first page. `display` shows the
    // progress of a run while it happens; `repaint` draws the whole form at once.
    WizardLogic(WizardEnvironment environment, ProgressSink& display, std::function<void()> repaint);
    ~WizardLogic() override;

    WizardLogic(const WizardLogic&) = delete;
    WizardLogic& operator=(const WizardLogic&) = delete;

    // The controls as they are now.
    const wizard::WizardForm& form() const { return form_; }
    // The page shown now.
    WizardPage page() const { return page_; }
    // What `page` shows, and its name.
    static const WizardPageView& view(WizardPage page);
    // The collections behind the lists.
    const WizardCollections& collections() const { return collections_; }

    // Goes forward from the current page when its choice allows it.
    void cmdNext();
    // Goes back to the previous page.
    void cmdBack();
    // Checks the selection and runs the chosen operation; after the run, closes.
    FinishResult cmdFinish();
    // cmdFinish in two steps, for a window that runs the operation on a worker thread.
    // prepareFinish() does everything before the run on the window's thread: the selection
    // check, or the progress page (FinishStep::Run). runFinish() is the run itself; it may be
    // called on another thread as long as nothing else uses the logic, the plan or the calendar
    // until it returns. Its progress and messages arrive on that thread.
    FinishStep prepareFinish();
    void runFinish();
    // Leaves the wizard without saving anything.
    void cmdCancel();

    // The user clicked member `index` of an option array (an index outside the array does nothing).
    void clickOption(OptionArray array, int index);
    // "Alle" (true) or "Keine" (false): ticks or clears every item of the list.
    void setAllItems(WizardList list, bool checked);
    // The user ticked or cleared the item at position `row` (as shown) of the list.
    void setItemChecked(WizardList list, std::size_t row, bool checked);

    // The user typed or chose the resource name.
    void setResourceText(const std::string& text);
    // The user chose a category from the box.
    void setCategoryIndex(int index);
    // The user chose a busy status by its position in the box.
    void setBusyStatusIndex(int index);
    // The user set "Sammelvorgänge".
    void setSummary(CheckState value);
    // The user set "gelöschte Termine wieder neu anlegen".
    void setCreateDeletedTasks(CheckState value);
    // The user changed the start of the period (nothing: no valid date).
    void setDateFrom(std::optional<DateTime> day);
    // The user changed the end of the period.
    void setDateTo(std::optional<DateTime> day);

    // The options as the controls hold them now, the way the settings store remembers them.
    WizardOptions currentOptions() const;
    // True while a run has switched the host's screen refreshing off and nobody switched it on again.
    bool hostSwitchLeftOff() const { return hostSwitchOff_; }

private:
    struct Way;
    struct PageRow;
    static const PageRow& row(WizardPage page);

    void showProgress(double percent, const std::string& text) override;

    void loadForm();
    void applyStoredOptions();
    void fillResourceNames();

    bool opens(const PageRow& from, const Way& way);
    void goTo(WizardPage target, const char* focus, const std::function<void()>& work);
    bool periodAccepted();

    void loadCategories();
    void fillTaskList();
    void fillAppointmentList();
    void fillLinkedTasks(std::vector<Task*>& tasks, wizard::ListView& view);
    void fillRemovalList();
    void fillSyncList();

    bool chooseTasks();
    bool chooseAppointments();
    bool chooseLinksToRemove();
    bool chooseTasksToSync();
    void showProgressPage();
    void runChosen(CalendarConnection& connection, RunReport& report);
    std::vector<AppointmentPtr> appointmentsInCalendar(CalendarFolder& folder, RunReport& report) const;
    void endRun(const RunReport* report);
    void closeAfterRun();

    std::span<wizard::OptionButton> options(OptionArray array);
    wizard::ListView& list(WizardList which);
    Project* activeProject();
    DateTime today() const;

    WizardEnvironment env_;
    ProgressSink& display_;
    std::function<void()> repaint_;
    wizard::WizardForm form_;
    WizardPage page_ = WizardPage::Operation;
    WizardCollections collections_;
    bool hostSwitchOff_ = false;
};

} // namespace zelvant
