#include "forms/WizardLogic.h"

#include "engine/AppointmentsToTasks.h"
#include "engine/CalendarConnection.h"
#include "engine/KeysInUse.h"
#include "engine/LinkModel.h"
#include "engine/Queries.h"
#include "engine/RunReport.h"
#include "engine/Synchronizer.h"
#include "engine/TasksToAppointments.h"
#include "forms/QuickSync.h"
#include "forms/WizardTexts.h"
#include "services/DateChecks.h"
#include "services/StrTools.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <set>

namespace zelvant {

using namespace wizard;

namespace {

// The list columns: key, header, width in twips (0 hides a column that still holds its texts).
const std::vector<ListColumn> kTaskColumns{{"Nr", "Nr.", 1000}, {"Name", "Name", 4000}, {"ID", "ID", 0}};
const std::vector<ListColumn> kAppointmentColumns{{"Name", "Name", 3000},
                                                  {"Start", "Start", 1500},
                                                  {"Ende", "Ende", 1500},
                                                  {"ID", "ID", 0},
                                                  {"Sort", "Sort", 0}};
constexpr std::size_t kTaskIdColumn = 2;
constexpr std::size_t kAppointmentIdColumn = 3;
constexpr std::size_t kSortColumn = 4;

// Runs a read that may fail; a failed read gives the empty text. Used only to fill the wizard's
// lists, which show what could be read; nothing is written from them.
template <typename Read> std::string readText(Read&& read)
{
    try {
        return read();
    } catch (const std::exception&) {
        return {};
    }
}

// The leading whole number of a text, as a list's hidden column is read back; 0 when there is none.
long long numberOf(const std::string& text)
{
    const std::string digits = trimBlanks(text);
    long long number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return number;
}

std::string itemKey(std::size_t n)
{
    char key[16];
    std::snprintf(key, sizeof key, "x%010zu", n);
    return key;
}

// A day as the whole number of days since 30.12.1899, ten digits: sorts like the day itself.
std::string sortValue(DateTime start)
{
    using namespace std::chrono;
    const local_days base{year{1899} / December / 30};
    char text[32]; // room for any 64-bit number, so the compiler sees no truncation
    std::snprintf(text, sizeof text, "%010lld", static_cast<long long>((dateOf(start) - base).count()));
    return text;
}

void resetList(ListView& list, const std::vector<ListColumn>& columns)
{
    list.items.clear();
    list.columns = columns;
    list.sortColumn.reset();
    list.sortDescending = false;
    list.multiSelect = false;
    // Clicking anywhere on a row picks the row: long names are easier to hit.
    list.fullRowSelect = true;
    ++list.revision;
}

void addItem(ListView& list, std::vector<std::string> texts)
{
    texts.resize(list.columns.size());
    list.items.push_back({itemKey(list.items.size() + 1), std::move(texts), true});
}

void clearItems(ListView& list)
{
    list.items.clear();
    ++list.revision;
}

// Whether the list holds an item that the user cleared and whose hidden column matches.
template <typename Matches>
bool clearedItemMatches(const ListView& list, std::size_t column, Matches&& matches)
{
    for (const ListItem& item : list.items)
        if (!item.checked && column < item.texts.size() && matches(item.texts[column]))
            return true;
    return false;
}

// The entries of `offered` minus those a cleared list item names, walked from the last.
template <typename Entry, typename Cleared>
std::vector<Entry> withoutCleared(const std::vector<Entry>& offered, Cleared&& cleared)
{
    std::vector<Entry> kept = offered;
    for (std::size_t i = kept.size(); i-- > 0;)
        if (cleared(kept[i]))
            kept.erase(kept.begin() + std::ptrdiff_t(i));
    return kept;
}

template <std::size_t N> int chosenIndex(const std::array<OptionButton, N>& members)
{
    for (std::size_t i = 0; i < N; ++i)
        if (members[i].value)
            return int(i);
    return -1;
}

template <std::size_t N>
void setOptionTexts(std::array<OptionButton, N>& members, const std::array<OptionText, N>& texts)
{
    for (std::size_t i = 0; i < N; ++i) {
        members[i].caption = texts[i].caption;
        members[i].toolTip = texts[i].toolTip;
    }
}

std::string toolTipOf(const char* name)
{
    for (const NamedText& entry : kToolTips)
        if (std::string(entry.name) == name)
            return entry.text;
    return {};
}

std::string checkCaptionOf(const char* name)
{
    for (const NamedText& entry : kCheckCaptions)
        if (std::string(entry.name) == name)
            return entry.text;
    return {};
}

void setButton(CommandButton& button, const char* name, const char* caption, int leftTwips)
{
    button.caption = caption;
    button.toolTip = toolTipOf(name);
    button.leftTwips = leftTwips;
}

void selectText(ComboBox& box, const std::string& text)
{
    box.text = text;
    const auto found = std::find(box.items.begin(), box.items.end(), text);
    box.listIndex = found == box.items.end() ? -1 : int(found - box.items.begin());
}

std::vector<std::string> tabOrderOf(int page)
{
    std::vector<std::string> order{"cmdNext", "cmdFinish"};
    const std::vector<std::vector<std::string>> inputs{
        {"optSync(0)", "optSync(1)", "optSync(2)"},
        {"optLinkType(0)", "optLinkType(1)"},
        {"optTask(0)", "optTask(1)", "cboResource", "optTask(2)", "chkSummary"},
        {"lvwTasks"},
        {"optAppointmentType(0)", "optAppointmentType(1)", "cboKategorie", "optAppointmentType(2)", "dtpFrom",
         "dtpTo"},
        {"lvwAppointments"},
        {"lvwDeleteLinks"},
        {"lvwSync"},
    };
    const auto& own = inputs[std::size_t(page - 1)];
    order.insert(order.end(), own.begin(), own.end());
    order.insert(order.end(), {"cmdInfo", "cmdCancel", "cmdBack"});
    return order;
}

} // namespace

WizardLogic::WizardLogic(WizardEnvironment environment, ProgressSink& display, std::function<void()> repaint)
    : env_(environment), display_(display), repaint_(std::move(repaint))
{
    loadForm();
    applyStoredOptions();
    // The first page as the wizard opens: its tab order, the focus on "Weiter >".
    assignTabOrder(Page::Step1);
    form_.focus = "cmdNext";
}

WizardLogic::~WizardLogic() = default;

// Form load ---------------------------------------------------------------------------------------

void WizardLogic::loadForm()
{
    form_.cmdNext.tag = "Step1";
    form_.shownFrame = "fraStep1";

    setButton(form_.cmdInfo, "cmdInfo", "", 360);
    setButton(form_.cmdCancel, "cmdCancel", "Abbrechen", 5640);
    setButton(form_.cmdBack, "cmdBack", "< Zurück", 6960);
    setButton(form_.cmdNext, "cmdNext", "Weiter >", 8160);
    setButton(form_.cmdFinish, "cmdFinish", "Ende", 9480);
    form_.cmdCancel.isCancel = true;
    form_.cmdNext.isDefault = true;
    form_.cmdBack.enabled = false;
    form_.cmdFinish.enabled = false;

    setOptionTexts(form_.optSync, kOptSync);
    setOptionTexts(form_.optLinkType, kOptLinkType);
    setOptionTexts(form_.optTask, kOptTask);
    setOptionTexts(form_.optAppointmentType, kOptAppointmentType);

    for (auto [box, name] : {std::pair{&form_.chkSummary, "chkSummary"},
                             {&form_.chkAllDayEvent, "chkAllDayEvent"},
                             {&form_.chkDetailed, "chkDetailed"},
                             {&form_.chkCreateDeletedTasks, "chkCreateDeletedTasks"}}) {
        box->caption = checkCaptionOf(name);
        box->toolTip = toolTipOf(name);
    }
    // The operations offer neither detailed nor all-day appointments: shown, but not to be changed.
    form_.chkDetailed.enabled = false;
    form_.chkAllDayEvent.enabled = false;

    form_.cboResource.toolTip = toolTipOf("cboResource");
    form_.cboResource.editable = true; // a resource may be typed that the list does not offer
    fillResourceNames();
    form_.cboKategorie.toolTip = toolTipOf("cboKategorie");
    form_.cboBusyStatus.toolTip = toolTipOf("cboBusyStatus");
    form_.cboBusyStatus.items.assign(kBusyStatusNames.begin(), kBusyStatusNames.end());
    selectText(form_.cboBusyStatus, kBusyStatusNames[kDefaultBusyIndex]);

    form_.dtpFrom.toolTip = toolTipOf("dtpFrom");
    form_.dtpTo.toolTip = toolTipOf("dtpTo");
    form_.dtpFrom.value = today();
    form_.dtpTo.value = today();
}

void WizardLogic::fillResourceNames()
{
    std::set<std::string> names;
    if (Project* project = activeProject()) {
        std::vector<Task*> tasks;
        try {
            tasks = project->tasks();
        } catch (const std::exception&) {
            // A plan whose tasks cannot be read offers no names; the box stays editable.
        }
        for (Task* task : tasks)
            for (const std::string& name :
                 SplitToCollection(readText([&] { return task->resourceNames(); }), ";"))
                if (!trimBlanks(name).empty())
                    names.insert(trimBlanks(name));
    }
    form_.cboResource.items.assign(names.begin(), names.end());
}

void WizardLogic::applyStoredOptions()
{
    // The form's own start-up state: no member chosen, nothing ticked, today's dates.
    WizardOptions options;
    options.syncType = options.linkType = options.taskType = options.appointmentType = -1;
    options.resourceName = form_.cboResource.text;
    options.category = form_.cboKategorie.text;
    options.dateFrom = options.dateTo = today();
    try {
        env_.settings.load(options, env_.clock.now());
    } catch (const std::exception&) {
        // An unreadable store leaves the start-up state.
    }
    // Choosing a member works like the user's click: tags and cmdFinish's caption follow.
    clickOption(OptionArray::Sync, options.syncType);
    clickOption(OptionArray::LinkType, options.linkType);
    clickOption(OptionArray::Task, options.taskType);
    clickOption(OptionArray::AppointmentType, options.appointmentType);
    selectText(form_.cboResource, options.resourceName);
    form_.chkSummary.value = options.taskSummary;
    form_.chkDetailed.value = options.taskDetailed;
    form_.chkCreateDeletedTasks.value = options.createDeletedApps;
    form_.cboKategorie.text = options.category;
    form_.dtpFrom.value = DateTime{dateOf(options.dateFrom)};
    form_.dtpTo.value = DateTime{dateOf(options.dateTo)};
}

WizardOptions WizardLogic::currentOptions() const
{
    WizardOptions options;
    options.syncType = chosenIndex(form_.optSync);
    options.linkType = chosenIndex(form_.optLinkType);
    options.taskType = chosenIndex(form_.optTask);
    options.resourceName = form_.cboResource.text;
    options.taskSummary = form_.chkSummary.value;
    options.taskDetailed = form_.chkDetailed.value;
    options.createDeletedApps = form_.chkCreateDeletedTasks.value;
    options.appointmentType = chosenIndex(form_.optAppointmentType);
    options.category = form_.cboKategorie.text;
    options.dateFrom = form_.dtpFrom.value.value_or(today());
    options.dateTo = form_.dtpTo.value.value_or(today());
    return options;
}

// Page changes ------------------------------------------------------------------------------------

void WizardLogic::cmdNext()
{
    const std::string& tag = page();
    if (!form_.cmdNext.enabled || tag.size() != 5 || tag.compare(0, 4, "Step") != 0)
        return;
    switch (tag[4]) {
    case '1':
        // Tested in this order; the first chosen member wins.
        if (form_.optSync[0].value)
            changePage(Page::Step2, {}, "cmdNext");
        else if (form_.optSync[2].value)
            changePage(
                Page::Step7,
                [this] {
                    fillRemovalList();
                    clickOption(OptionArray::Sync, 2);
                },
                "lvwDeleteLinks");
        else if (form_.optSync[1].value)
            changePage(
                Page::Step8,
                [this] {
                    fillSyncList();
                    clickOption(OptionArray::Sync, 1);
                },
                "cmdFinish");
        break;
    case '2':
        if (form_.optLinkType[0].value)
            changePage(Page::Step3, {}, "cmdNext");
        else if (form_.optLinkType[1].value)
            changePage(
                Page::Step5, [this] { loadCategories(); }, "cmdNext");
        break;
    case '3':
        if (chosenIndex(form_.optTask) >= 0)
            changePage(
                Page::Step4, [this] { fillTaskList(); }, "lvwTasks");
        break;
    case '5':
        if (leavePeriodPage())
            changePage(
                Page::Step6, [this] { fillAppointmentList(); }, "lvwAppointments");
        break;
    default:
        break; // the list pages go on only by cmdFinish
    }
}

void WizardLogic::cmdBack()
{
    const std::string& tag = page();
    if (!form_.cmdBack.enabled || tag.size() != 5 || tag.compare(0, 4, "Step") != 0)
        return;
    switch (tag[4]) {
    case '2':
        changePage(Page::Step1, {}, "cmdNext");
        break;
    case '3':
        changePage(Page::Step2, {}, "cmdNext");
        break;
    case '4':
        changePage(
            Page::Step3, [this] { clearItems(form_.lvwTasks); }, "cmdNext");
        break;
    case '5':
        changePage(Page::Step2, {}, "cmdBack");
        break;
    case '6':
        // The category box stays as it was: the calendar is not asked again.
        changePage(
            Page::Step5, [this] { clearItems(form_.lvwAppointments); }, "cmdBack");
        break;
    case '7':
        changePage(
            Page::Step1,
            [this] {
                clickOption(OptionArray::Sync, 2);
                clearItems(form_.lvwDeleteLinks);
            },
            "cmdNext");
        break;
    case '8':
        changePage(
            Page::Step1,
            [this] {
                clickOption(OptionArray::Sync, 1);
                clearItems(form_.lvwSync);
            },
            "cmdNext");
        break;
    default:
        break;
    }
}

void WizardLogic::changePage(Page target, const std::function<void()>& work, const std::string& focus)
{
    form_.busy = true;
    form_.shownFrame = "fraStep" + std::to_string(int(target));
    form_.cmdNext.tag = "Step" + std::to_string(int(target));
    form_.status.clear(); // each page says for itself what it could not read
    setButtonStates(target);
    if (work)
        work();
    assignTabOrder(target);
    form_.focus = focus;
    form_.busy = false;
}

void WizardLogic::setButtonStates(Page target)
{
    const bool listPage =
        target == Page::Step4 || target == Page::Step6 || target == Page::Step7 || target == Page::Step8;
    form_.cmdBack.enabled = target != Page::Step1;
    form_.cmdNext.enabled = !listPage;
    form_.cmdFinish.enabled = listPage;
}

void WizardLogic::assignTabOrder(Page target)
{
    form_.tabOrder = tabOrderOf(int(target));
    // The option buttons of the page show again what their selection tags say.
    const auto restore = [](auto& members) {
        for (OptionButton& member : members)
            member.value = StrToBool(member.tag);
    };
    switch (target) {
    case Page::Step1:
        restore(form_.optSync);
        break;
    case Page::Step2:
        restore(form_.optLinkType);
        break;
    case Page::Step3:
        restore(form_.optTask);
        break;
    case Page::Step5:
        restore(form_.optAppointmentType);
        break;
    default:
        break;
    }
}

bool WizardLogic::leavePeriodPage()
{
    // Checked whichever kind of appointments is chosen: the dates are remembered either way.
    const std::optional<std::string> problem = CheckPeriod(form_.dtpFrom.value, form_.dtpTo.value);
    if (!problem)
        return true;
    env_.messages.warning(*problem, kCaption);
    form_.busy = false;
    return false;
}

// Option arrays and small handlers -----------------------------------------------------------------

OptionButton* WizardLogic::options(OptionArray array, std::size_t& count)
{
    switch (array) {
    case OptionArray::Sync:
        count = form_.optSync.size();
        return form_.optSync.data();
    case OptionArray::LinkType:
        count = form_.optLinkType.size();
        return form_.optLinkType.data();
    case OptionArray::Task:
        count = form_.optTask.size();
        return form_.optTask.data();
    case OptionArray::AppointmentType:
        count = form_.optAppointmentType.size();
        return form_.optAppointmentType.data();
    }
    count = 0;
    return nullptr;
}

void WizardLogic::clickOption(OptionArray array, int index)
{
    std::size_t count = 0;
    OptionButton* members = options(array, count);
    if (index < 0 || std::size_t(index) >= count)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        members[i].value = i == std::size_t(index);
        members[i].tag = members[i].value ? "1" : "0";
    }
    if (array == OptionArray::Sync) {
        form_.cmdFinish.caption = kFinishBySync[std::size_t(index)].caption;
        form_.cmdFinish.toolTip = kFinishBySync[std::size_t(index)].toolTip;
    }
}

ListView& WizardLogic::list(WizardList which)
{
    switch (which) {
    case WizardList::Tasks:
        return form_.lvwTasks;
    case WizardList::Appointments:
        return form_.lvwAppointments;
    case WizardList::DeleteLinks:
        return form_.lvwDeleteLinks;
    case WizardList::Sync:
        break;
    }
    return form_.lvwSync;
}

void WizardLogic::setAllItems(WizardList which, bool checked)
{
    for (ListItem& item : list(which).items)
        item.checked = checked;
}

void WizardLogic::setItemChecked(WizardList which, std::size_t row, bool checked)
{
    ListView& view = list(which);
    if (row < view.items.size())
        view.items[row].checked = checked;
}

void WizardLogic::setResourceText(const std::string& text)
{
    selectText(form_.cboResource, text);
}

void WizardLogic::setCategoryIndex(int index)
{
    ComboBox& box = form_.cboKategorie;
    if (index >= 0 && std::size_t(index) < box.items.size()) {
        box.listIndex = index;
        box.text = box.items[std::size_t(index)];
    }
}

void WizardLogic::setBusyStatusIndex(int index)
{
    ComboBox& box = form_.cboBusyStatus;
    if (index >= 0 && std::size_t(index) < box.items.size()) {
        box.listIndex = index;
        box.text = box.items[std::size_t(index)];
    }
}

void WizardLogic::setSummary(CheckState value)
{
    form_.chkSummary.value = value;
}

void WizardLogic::setCreateDeletedTasks(CheckState value)
{
    form_.chkCreateDeletedTasks.value = value;
}

void WizardLogic::setDateFrom(std::optional<DateTime> day)
{
    form_.dtpFrom.value = day;
}

void WizardLogic::setDateTo(std::optional<DateTime> day)
{
    form_.dtpTo.value = day;
}

void WizardLogic::cmdCancel()
{
    // Nothing is saved; the collections go with the form.
    collections_ = {};
}

// Filling the boxes and lists -----------------------------------------------------------------------

void WizardLogic::loadCategories()
{
    try {
        collections_.categories = GetCategories(env_.launcher);
    } catch (const std::exception&) {
        // No calendar: no categories either, not those of a calendar read earlier.
        collections_.categories.clear();
        form_.status = kNoCategoriesStatus;
    }
    ComboBox& box = form_.cboKategorie;
    box.items = collections_.categories;
    box.text.clear();
    box.listIndex = -1;
    const bool any = !box.items.empty();
    if (any)
        setCategoryIndex(0);
    box.enabled = any;
    form_.optAppointmentType[1].enabled = any;
}

void WizardLogic::fillTaskList()
{
    collections_.tasks.clear();
    collections_.tasksToLink.clear();
    const int taskType = chosenIndex(form_.optTask);
    if (Project* project = activeProject()) {
        const bool summary = form_.chkSummary.value == CheckState::Checked;
        const std::string resource = taskType == kTasksOfResource ? form_.cboResource.text : "";
        if (auto found = GetUnlinkedTasks(env_.host, *project, taskType, summary, kLinkField, resource))
            collections_.tasks = std::move(*found);
    } else {
        form_.status = kNoPlanStatus;
    }
    resetList(form_.lvwTasks, kTaskColumns);
    for (Task* task : collections_.tasks)
        addItem(form_.lvwTasks,
                {readText([&] { return std::to_string(task->id()); }), readText([&] { return task->name(); }),
                 readText([&] { return std::to_string(task->uniqueId()); })});
}

void WizardLogic::fillAppointmentList()
{
    AppointmentFilter filter;
    switch (chosenIndex(form_.optAppointmentType)) {
    case 1:
        filter.kind = AppointmentFilter::Category;
        filter.category = form_.cboKategorie.text;
        break;
    case 2:
        filter.kind = AppointmentFilter::Period;
        filter.from = form_.dtpFrom.value.value_or(today());
        filter.to = form_.dtpTo.value.value_or(today());
        break;
    default:
        break; // no choice reads as "all appointments"
    }
    collections_.appointments.clear();
    try {
        for (AppointmentPtr& item : GetAppointments(env_.launcher, kLinkProperty, filter))
            collections_.appointments.push_back({item, readText([&] { return item->entryId(); })});
    } catch (const std::exception&) {
        // No calendar: nothing to offer, and the page says why.
        collections_.appointments.clear();
        form_.status = kNoAppointmentsStatus;
    }
    ListView& view = form_.lvwAppointments;
    resetList(view, kAppointmentColumns);
    for (const OfferedAppointment& offered : collections_.appointments) {
        AppointmentItem& item = *offered.item;
        addItem(view, {readText([&] { return item.subject(); }),
                       readText([&] { return formatGerman(item.start()); }),
                       readText([&] { return formatGerman(item.end()); }), offered.entryId,
                       readText([&] { return sortValue(item.start()); })});
    }
    // The latest day first; the ten-digit day numbers sort as texts.
    view.sortColumn = kSortColumn;
    view.sortDescending = true;
    std::stable_sort(view.items.begin(), view.items.end(), [](const ListItem& a, const ListItem& b) {
        return a.texts[kSortColumn] > b.texts[kSortColumn];
    });
}

void WizardLogic::fillRemovalList()
{
    collections_.linkedTasks.clear();
    if (Project* project = activeProject())
        collections_.linkedTasks = GetLinkedTasks(*project, kLinkField);
    else
        form_.status = kNoPlanStatus;
    resetList(form_.lvwDeleteLinks, kTaskColumns);
    const int fieldId = GetFieldId(kLinkField);
    for (Task* task : collections_.linkedTasks)
        addItem(form_.lvwDeleteLinks,
                {readText([&] { return std::to_string(task->id()); }), readText([&] { return task->name(); }),
                 readText([&] { return task->getField(fieldId); })});
}

void WizardLogic::fillSyncList()
{
    collections_.syncTasks.clear();
    collections_.tasksToSync.clear();
    if (Project* project = activeProject())
        collections_.syncTasks = GetLinkedTasks(*project, kLinkField);
    else
        form_.status = kNoPlanStatus;
    resetList(form_.lvwSync, kTaskColumns);
    const int fieldId = GetFieldId(kLinkField);
    for (Task* task : collections_.syncTasks)
        addItem(form_.lvwSync,
                {readText([&] { return std::to_string(task->id()); }), readText([&] { return task->name(); }),
                 readText([&] { return task->getField(fieldId); })});
}

// Finish and run ------------------------------------------------------------------------------------

FinishResult WizardLogic::cmdFinish()
{
    if (!form_.cmdFinish.tag.empty()) {
        closeAfterRun();
        return FinishResult::Close;
    }
    if (!checkSelection())
        return FinishResult::Stayed;
    showProgressPage();
    runOperation();
    return FinishResult::Finished;
}

bool WizardLogic::checkSelection()
{
    const std::string& tag = page();
    const char* nothing = nullptr;
    if (tag == "Step4") {
        collections_.tasksToLink = withoutCleared(collections_.tasks, [this](Task* task) {
            try {
                const long long id = task->uniqueId();
                return clearedItemMatches(form_.lvwTasks, kTaskIdColumn,
                                          [id](const std::string& text) { return numberOf(text) == id; });
            } catch (const std::exception&) {
                return false; // a task that cannot say its ID cannot be matched to a row: not chosen
            }
        });
        if (collections_.tasksToLink.empty())
            nothing = kNothingToLinkTasks;
    } else if (tag == "Step6") {
        collections_.appointmentsToLink =
            withoutCleared(collections_.appointments, [this](const OfferedAppointment& offered) {
                return clearedItemMatches(form_.lvwAppointments, kAppointmentIdColumn,
                                          [&](const std::string& text) { return text == offered.entryId; });
            });
        if (collections_.appointmentsToLink.empty())
            nothing = kNothingToLinkAppointments;
    } else if (tag == "Step7") {
        collections_.tasksToUnlink.clear();
        for (const ListItem& item : form_.lvwDeleteLinks.items)
            if (item.checked)
                collections_.tasksToUnlink.push_back(
                    {int(numberOf(item.texts[0])), item.texts[kTaskIdColumn], true});
        if (collections_.tasksToUnlink.empty())
            nothing = kNothingToUnlink;
    } else if (tag == "Step8") {
        const int fieldId = GetFieldId(kLinkField);
        collections_.tasksToSync = withoutCleared(collections_.syncTasks, [&](Task* task) {
            const std::string value = readText([&] { return task->getField(fieldId); });
            return clearedItemMatches(form_.lvwSync, kTaskIdColumn,
                                      [&](const std::string& text) { return text == value; });
        });
        if (collections_.tasksToSync.empty())
            nothing = kNothingToSync;
    }
    if (!nothing)
        return true;
    env_.messages.warning(nothing, kCaption);
    return false;
}

void WizardLogic::showProgressPage()
{
    form_.cmdNext.tag = kRunningPage;
    form_.shownFrame.clear();
    for (CommandButton* button :
         {&form_.cmdInfo, &form_.cmdCancel, &form_.cmdBack, &form_.cmdNext, &form_.cmdFinish})
        button->visible = false;
    form_.progress.shown = true;
    const int sync = chosenIndex(form_.optSync);
    if (sync >= 0)
        showProgress(5, kPreparing[std::size_t(sync)]);
    if (repaint_)
        repaint_();
}

void WizardLogic::runOperation()
{
    std::optional<CalendarConnection> connection;
    try {
        connection.emplace(env_.launcher);
    } catch (const std::exception&) {
        // Nothing can be done without the calendar; say so rather than report a finished run.
        env_.messages.warning(kCalendarNotFound, kCaption);
        showProgress(form_.progress.value, kCalendarNotFound);
        endRun(nullptr);
        return;
    }
    form_.busy = true;
    RunReport report;
    hostSwitchOff_ = true;
    attempt(report, "Projekt", "Bildschirmaktualisierung ausschalten",
            [&] { env_.host.setHostSwitch(false); });
    runChosen(*connection, report);
    // Quitting a calendar started here writes it; a failure to do so belongs in the report.
    attempt(report, "Kalender", "Kalender schließen", [&] { connection->close(); });
    connection.reset();
    showProgress(100, kClosing);
    endRun(&report);
}

void WizardLogic::runChosen(CalendarConnection& connection, RunReport& report)
{
    Project* project = nullptr;
    if (!attempt(report, "Projekt", "Aktives Projekt lesen", [&] { project = &env_.host.activeProject(); }))
        return;
    const EngineInputs inputs{connection.application(), *project, connection.folder()};
    const RunContext context{env_.host, *this, report};
    LinkKeyGenerator keys(env_.clock, env_.keySeed);
    attempt(report, "Vorgang", "Ausführen", [&] {
        switch (chosenIndex(form_.optSync)) {
        case 0:
            ReserveKeysInUse(inputs, keys);
            if (form_.optLinkType[0].value)
                LinkTasksToAppointments(inputs, collections_.tasksToLink,
                                        busyStatusFromIndex(form_.cboBusyStatus.listIndex), false, keys,
                                        context);
            else if (form_.optLinkType[1].value)
                LinkAppointmentsToTasks(inputs, appointmentsInCalendar(connection.folder(), report), keys,
                                        context);
            break;
        case 1:
            SyncTasks(inputs, collections_.tasksToSync,
                      SyncOptions{.recreateDeleted = form_.chkCreateDeletedTasks.value == CheckState::Checked,
                                  .busyForNew = busyStatusFromIndex(form_.cboBusyStatus.listIndex),
                                  .confirmMassChange = [this](const MassChange& change) {
                                      return env_.messages.askYesNo(DescribeMassChange(change) + " Trotzdem fortfahren?",
                                                                    kCaption);
                                  }},
                      context);
            break;
        case 2:
            RemoveLinks(inputs, collections_.tasksToUnlink, context);
            break;
        default:
            break; // no operation chosen: nothing runs
        }
    });
}

std::vector<AppointmentPtr> WizardLogic::appointmentsInCalendar(CalendarFolder& folder,
                                                                RunReport& report) const
{
    // The page listed the appointments over an earlier connection; work on the items of this one.
    std::map<std::string, AppointmentPtr> byId;
    attempt(report, "Kalender", "Termine lesen", [&] {
        for (const AppointmentPtr& item : folder.items())
            if (item)
                byId.emplace(readText([&] { return item->entryId(); }), item);
    });
    std::vector<AppointmentPtr> chosen;
    for (const OfferedAppointment& offered : collections_.appointmentsToLink) {
        const auto found = byId.find(offered.entryId);
        if (found != byId.end() && !offered.entryId.empty())
            chosen.push_back(found->second);
        else
            report.fail(describeAppointment(readText([&] { return offered.item->subject(); })),
                        "Termin suchen", "nicht mehr im Kalender");
    }
    return chosen;
}

void WizardLogic::endRun(const RunReport* report)
{
    try {
        env_.settings.save(currentOptions());
    } catch (const std::exception&) {
        // The choices are only a convenience for the next run.
    }
    form_.busy = false;
    CommandButton& finish = form_.cmdFinish;
    finish.leftTwips = 9600;
    finish.tag = "Exit";
    finish.caption = kFinishClose.caption;
    finish.toolTip = kFinishClose.toolTip;
    finish.visible = true;
    finish.enabled = true;
    form_.cmdNext.tag = kFinishedPage;
    if (!report)
        return; // the calendar was never reached: the label keeps saying so
    showProgress(100, kDone);
    if (report->hasFailures())
        form_.reportLines = report->failureLines();
}

void WizardLogic::closeAfterRun()
{
    if (!hostSwitchOff_)
        return; // this run never switched the host's screen off
    hostSwitchOff_ = false;
    try {
        env_.host.setHostSwitch(true);
    } catch (const std::exception&) {
        // Only the host's screen refresh: the run's work is done and saved either way.
    }
}

void WizardLogic::showProgress(double percent, const std::string& text)
{
    form_.progress.value = percent;
    form_.progress.text = text;
    display_.showProgress(percent, text);
}

// Helpers ---------------------------------------------------------------------------------------------

Project* WizardLogic::activeProject()
{
    try {
        return &env_.host.activeProject();
    } catch (const std::exception&) {
        return nullptr; // the caller says that no plan is open
    }
}

DateTime WizardLogic::today() const
{
    return DateTime{dateOf(env_.clock.now())};
}

} // namespace zelvant
