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

// Which member of a page's option array opens a way on.
constexpr int kAnyMember = -1;       // whichever is chosen, as long as one is
constexpr int kWhicheverChosen = -2; // the choice does not matter, not even none

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

int chosenIndex(std::span<const OptionButton> members)
{
    for (std::size_t i = 0; i < members.size(); ++i)
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

const char* textOf(std::span<const NamedText> texts, std::string_view name)
{
    for (const NamedText& entry : texts)
        if (entry.name == name)
            return entry.text;
    return "";
}

std::string toolTipOf(const char* name)
{
    return textOf(kToolTips, name);
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

// The entry at `index`; an index the box does not hold changes nothing.
void chooseItem(ComboBox& box, int index)
{
    if (index >= 0 && std::size_t(index) < box.items.size()) {
        box.listIndex = index;
        box.text = box.items[std::size_t(index)];
    }
}

} // namespace

// The pages ---------------------------------------------------------------------------------------

// "Weiter >" takes the first way of its page that is open: `member` of the page's option array is
// chosen, and `check`, where there is one, lets the user go on.
struct WizardLogic::Way {
    WizardPage to;
    int member;
    bool (WizardLogic::*check)() = nullptr;
};

// One page: what it shows, where "Weiter >" and "< Zurück" lead, and what they do on the way.
struct WizardLogic::PageRow {
    WizardPage page;
    WizardPageView view;
    std::optional<OptionArray> options = {};   // shown again as their selection tags say
    std::optional<WizardList> list = {};       // a list page: "Ende" runs from here, "Weiter >" is off
    std::vector<Way> next = {};                // tried in order; none open: the page stays
    std::optional<WizardPage> back = {};       // none: "< Zurück" is off
    const char* focus = "cmdNext";             // where the focus goes when "Weiter >" reached the page
    const char* focusBack = "cmdNext";         // where it goes when "< Zurück" left the page
    void (*enter)(WizardLogic&) = nullptr;     // what reaching the page by "Weiter >" does
    void (*leaveBack)(WizardLogic&) = nullptr; // what leaving by "< Zurück" does besides emptying the list
    bool (WizardLogic::*choose)() = nullptr;   // takes what "Ende" works on from the list; false: nothing
    const char* nothingChosen = nullptr;       // what the user is told then
};

// clang-format off
const WizardLogic::PageRow& WizardLogic::row(WizardPage page)
{
    using P = WizardPage;
    using W = WizardLogic;
    static const std::array<PageRow, 10> rows{{
        {.page = P::Operation,
         .view = {"Step1", "fraStep1", "lblStep1", {"lblStep101", "lblStep102", "lblStep103"},
                  {"optSync(0)", "optSync(1)", "optSync(2)"}},
         .options = OptionArray::Sync,
         .next = {{P::Direction, 0}, {P::RemovalList, 2}, {P::SyncList, 1}}},
        {.page = P::Direction,
         .view = {"Step2", "fraStep2", "lblStep2", {"lblStep201", "lblStep202", "lblStep203"},
                  {"optLinkType(0)", "optLinkType(1)"}},
         .options = OptionArray::LinkType,
         .next = {{P::TaskChoice, 0}, {P::AppointmentChoice, 1}},
         .back = P::Operation},
        {.page = P::TaskChoice,
         .view = {"Step3", "fraStep3", "lblStep3", {"lblStep301", "lblStep302"},
                  {"optTask(0)", "optTask(1)", "cboResource", "optTask(2)", "chkSummary"}},
         .options = OptionArray::Task,
         .next = {{P::TaskList, kAnyMember}},
         .back = P::Direction},
        {.page = P::TaskList,
         .view = {"Step4", "fraStep4", "lblStep4", {"lblStep401", "lblStep402"}, {"lvwTasks"}},
         .list = WizardList::Tasks,
         .back = P::TaskChoice,
         .focus = "lvwTasks",
         .enter = [](W& w) { w.fillTaskList(); },
         .choose = &W::chooseTasks,
         .nothingChosen = kNothingToLinkTasks},
        // The period is checked whichever kind of appointments is chosen: the dates are remembered
        // either way.
        {.page = P::AppointmentChoice,
         .view = {"Step5", "fraStep5", "lblStep5", {"lblStep501"},
                  {"optAppointmentType(0)", "optAppointmentType(1)", "cboKategorie", "optAppointmentType(2)",
                   "dtpFrom", "dtpTo"}},
         .options = OptionArray::AppointmentType,
         .next = {{P::AppointmentList, kWhicheverChosen, &W::periodAccepted}},
         .back = P::Direction,
         .focusBack = "cmdBack",
         .enter = [](W& w) { w.loadCategories(); }},
        // Back from here the category box stays as it was: the calendar is not asked again.
        {.page = P::AppointmentList,
         .view = {"Step6", "fraStep6", "lblStep6", {"lblStep601", "lblStep602"}, {"lvwAppointments"}},
         .list = WizardList::Appointments,
         .back = P::AppointmentChoice,
         .focus = "lvwAppointments",
         .focusBack = "cmdBack",
         .enter = [](W& w) { w.fillAppointmentList(); },
         .choose = &W::chooseAppointments,
         .nothingChosen = kNothingToLinkAppointments},
        // The two pages reached straight from the first choose their operation again both ways, so
        // that "Ende" always says what it does.
        {.page = P::RemovalList,
         .view = {"Step7", "fraStep7", "lblStep7", {"lblStep701", "lblStep702"}, {"lvwDeleteLinks"}},
         .list = WizardList::DeleteLinks,
         .back = P::Operation,
         .focus = "lvwDeleteLinks",
         .enter = [](W& w) { w.fillRemovalList(); w.clickOption(OptionArray::Sync, 2); },
         .leaveBack = [](W& w) { w.clickOption(OptionArray::Sync, 2); },
         .choose = &W::chooseLinksToRemove,
         .nothingChosen = kNothingToUnlink},
        {.page = P::SyncList,
         .view = {"Step8", "fraStep8", "lblStep8", {"lblStep801", "lblStep802", "lblStep803"}, {"lvwSync"}},
         .list = WizardList::Sync,
         .back = P::Operation,
         .focus = "cmdFinish",
         .enter = [](W& w) { w.fillSyncList(); w.clickOption(OptionArray::Sync, 1); },
         .leaveBack = [](W& w) { w.clickOption(OptionArray::Sync, 1); },
         .choose = &W::chooseTasksToSync,
         .nothingChosen = kNothingToSync},
        {.page = P::Running, .view = {.name = kRunningPage}},
        {.page = P::Finished, .view = {.name = kFinishedPage}},
    }};
    return rows[std::size_t(page) - 1];
}
// clang-format on

const WizardPageView& WizardLogic::view(WizardPage page)
{
    return row(page).view;
}

WizardLogic::WizardLogic(WizardEnvironment environment, ProgressSink& display, std::function<void()> repaint)
    : env_(environment), display_(display), repaint_(std::move(repaint))
{
    loadForm();
    applyStoredOptions();
    goTo(WizardPage::Operation, "cmdNext", {});
}

WizardLogic::~WizardLogic() = default;

// Form load ---------------------------------------------------------------------------------------

void WizardLogic::loadForm()
{
    setButton(form_.cmdInfo, "cmdInfo", "", 360);
    setButton(form_.cmdCancel, "cmdCancel", "Abbrechen", 5640);
    setButton(form_.cmdBack, "cmdBack", "< Zurück", 6960);
    setButton(form_.cmdNext, "cmdNext", "Weiter >", 8160);
    setButton(form_.cmdFinish, "cmdFinish", "Ende", 9480);
    form_.cmdCancel.isCancel = true;
    form_.cmdNext.isDefault = true;

    setOptionTexts(form_.optSync, kOptSync);
    setOptionTexts(form_.optLinkType, kOptLinkType);
    setOptionTexts(form_.optTask, kOptTask);
    setOptionTexts(form_.optAppointmentType, kOptAppointmentType);

    for (auto [box, name] : {std::pair{&form_.chkSummary, "chkSummary"},
                             {&form_.chkAllDayEvent, "chkAllDayEvent"},
                             {&form_.chkDetailed, "chkDetailed"},
                             {&form_.chkCreateDeletedTasks, "chkCreateDeletedTasks"}}) {
        box->caption = textOf(kCheckCaptions, name);
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
    if (!form_.cmdNext.enabled)
        return;
    const PageRow& from = row(page_);
    for (const Way& way : from.next)
        if (opens(from, way)) {
            const PageRow& to = row(way.to);
            goTo(way.to, to.focus, [&] {
                if (to.enter)
                    to.enter(*this);
            });
            return;
        }
}

void WizardLogic::cmdBack()
{
    const PageRow& from = row(page_);
    if (!form_.cmdBack.enabled || !from.back)
        return;
    goTo(*from.back, from.focusBack, [&] {
        if (from.list)
            clearItems(list(*from.list));
        if (from.leaveBack)
            from.leaveBack(*this);
    });
}

bool WizardLogic::opens(const PageRow& from, const Way& way)
{
    if (way.member != kWhicheverChosen) {
        const std::span<const OptionButton> members = options(*from.options);
        if (way.member == kAnyMember ? chosenIndex(members) < 0 : !members[std::size_t(way.member)].value)
            return false;
    }
    return !way.check || (this->*way.check)();
}

void WizardLogic::goTo(WizardPage target, const char* focus, const std::function<void()>& work)
{
    const PageRow& to = row(target);
    form_.busy = true;
    page_ = target;
    form_.shownFrame = to.view.frame;
    form_.status.clear(); // each page says for itself what it could not read
    form_.cmdBack.enabled = to.back.has_value();
    form_.cmdNext.enabled = !to.list;
    form_.cmdFinish.enabled = to.list.has_value();
    if (work)
        work();
    // The buttons first, then the page's own controls, then the rest of the button row.
    form_.tabOrder = {"cmdNext", "cmdFinish"};
    form_.tabOrder.insert(form_.tabOrder.end(), to.view.inputs.begin(), to.view.inputs.end());
    form_.tabOrder.insert(form_.tabOrder.end(), {"cmdInfo", "cmdCancel", "cmdBack"});
    // The option buttons of the page show again what their selection tags say.
    if (to.options)
        for (OptionButton& member : options(*to.options))
            member.value = StrToBool(member.tag);
    form_.focus = focus;
    form_.busy = false;
}

bool WizardLogic::periodAccepted()
{
    const std::optional<std::string> problem = checkPeriod(form_.dtpFrom.value, form_.dtpTo.value);
    if (problem)
        env_.messages.warning(*problem, kCaption);
    return !problem;
}

// Option arrays and small handlers -----------------------------------------------------------------

std::span<OptionButton> WizardLogic::options(OptionArray array)
{
    switch (array) {
    case OptionArray::Sync:
        return form_.optSync;
    case OptionArray::LinkType:
        return form_.optLinkType;
    case OptionArray::Task:
        return form_.optTask;
    case OptionArray::AppointmentType:
        break;
    }
    return form_.optAppointmentType;
}

void WizardLogic::clickOption(OptionArray array, int index)
{
    const std::span<OptionButton> members = options(array);
    if (index < 0 || std::size_t(index) >= members.size())
        return;
    for (std::size_t i = 0; i < members.size(); ++i) {
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
    chooseItem(form_.cboKategorie, index);
}

void WizardLogic::setBusyStatusIndex(int index)
{
    chooseItem(form_.cboBusyStatus, index);
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
        chooseItem(box, 0);
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
        // optTask's members in order: all tasks, those of one resource, the marked ones.
        static constexpr TaskChoice kTaskChoices[] = {TaskChoice::All, TaskChoice::OfResource,
                                                      TaskChoice::Selected};
        if (taskType >= 0 && taskType < int(std::size(kTaskChoices))) {
            const TaskChoice choice = kTaskChoices[taskType];
            const TaskFilter filter{choice, choice == TaskChoice::OfResource ? form_.cboResource.text : "",
                                    summary};
            if (auto found = GetUnlinkedTasks(env_.host, *project, filter, kLinkField))
                collections_.tasks = std::move(*found);
        }
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

// The linked tasks of the plan, by their link value; the removal and the synchronisation page show them.
void WizardLogic::fillLinkedTasks(std::vector<Task*>& tasks, ListView& view)
{
    tasks.clear();
    if (Project* project = activeProject())
        tasks = GetLinkedTasks(*project, kLinkField);
    else
        form_.status = kNoPlanStatus;
    resetList(view, kTaskColumns);
    const int fieldId = GetFieldId(kLinkField);
    for (Task* task : tasks)
        addItem(view,
                {readText([&] { return std::to_string(task->id()); }), readText([&] { return task->name(); }),
                 readText([&] { return task->getField(fieldId); })});
}

void WizardLogic::fillRemovalList()
{
    fillLinkedTasks(collections_.linkedTasks, form_.lvwDeleteLinks);
}

void WizardLogic::fillSyncList()
{
    collections_.tasksToSync.clear();
    fillLinkedTasks(collections_.syncTasks, form_.lvwSync);
}

// Finish and run ------------------------------------------------------------------------------------

FinishResult WizardLogic::cmdFinish()
{
    switch (prepareFinish()) {
    case FinishStep::Stay:
        return FinishResult::Stayed;
    case FinishStep::Close:
        return FinishResult::Close;
    case FinishStep::Run:
        break;
    }
    runFinish();
    return FinishResult::Finished;
}

FinishStep WizardLogic::prepareFinish()
{
    if (page_ == WizardPage::Finished) {
        closeAfterRun();
        return FinishStep::Close;
    }
    const PageRow& on = row(page_);
    if (on.choose && !(this->*on.choose)()) {
        env_.messages.warning(on.nothingChosen, kCaption);
        return FinishStep::Stay;
    }
    showProgressPage();
    return FinishStep::Run;
}

// The selection of a list page: what is offered minus what the user cleared, matched by the hidden
// column, so that a row stands for its task or appointment whatever order the list shows.

bool WizardLogic::chooseTasks()
{
    collections_.tasksToLink = withoutCleared(collections_.tasks, [this](Task* task) {
        try {
            const long long id = task->uniqueId();
            return clearedItemMatches(form_.lvwTasks, kTaskIdColumn,
                                      [id](const std::string& text) { return numberOf(text) == id; });
        } catch (const std::exception&) {
            return false; // a task that cannot say its ID cannot be matched to a row: not chosen
        }
    });
    return !collections_.tasksToLink.empty();
}

bool WizardLogic::chooseAppointments()
{
    collections_.appointmentsToLink =
        withoutCleared(collections_.appointments, [this](const OfferedAppointment& offered) {
            return clearedItemMatches(form_.lvwAppointments, kAppointmentIdColumn,
                                      [&](const std::string& text) { return text == offered.entryId; });
        });
    return !collections_.appointmentsToLink.empty();
}

bool WizardLogic::chooseLinksToRemove()
{
    collections_.tasksToUnlink.clear();
    for (const ListItem& item : form_.lvwDeleteLinks.items)
        if (item.checked)
            collections_.tasksToUnlink.push_back(
                {int(numberOf(item.texts[0])), item.texts[kTaskIdColumn], true});
    return !collections_.tasksToUnlink.empty();
}

bool WizardLogic::chooseTasksToSync()
{
    const int fieldId = GetFieldId(kLinkField);
    collections_.tasksToSync = withoutCleared(collections_.syncTasks, [&](Task* task) {
        const std::string value = readText([&] { return task->getField(fieldId); });
        return clearedItemMatches(form_.lvwSync, kTaskIdColumn,
                                  [&](const std::string& text) { return text == value; });
    });
    return !collections_.tasksToSync.empty();
}

void WizardLogic::showProgressPage()
{
    page_ = WizardPage::Running;
    form_.shownFrame = row(page_).view.frame;
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

void WizardLogic::runFinish()
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
            reserveKeysInUse(inputs, keys);
            if (form_.optLinkType[0].value)
                LinkTasksToAppointments(inputs, collections_.tasksToLink,
                                        busyStatusFromIndex(form_.cboBusyStatus.listIndex), keys, context);
            else if (form_.optLinkType[1].value)
                LinkAppointmentsToTasks(inputs, appointmentsInCalendar(connection.folder(), report), keys,
                                        context);
            break;
        case 1:
            SyncTasks(inputs, collections_.tasksToSync,
                      SyncOptions{.recreateDeleted = form_.chkCreateDeletedTasks.value == CheckState::Checked,
                                  .busyForNew = busyStatusFromIndex(form_.cboBusyStatus.listIndex),
                                  .confirmMassChange =
                                      [this](const MassChange& change) {
                                          return env_.messages.askYesNo(
                                              describeMassChange(change) + " Trotzdem fortfahren?", kCaption);
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
    finish.caption = kFinishClose.caption;
    finish.toolTip = kFinishClose.toolTip;
    finish.visible = true;
    finish.enabled = true;
    page_ = WizardPage::Finished;
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
