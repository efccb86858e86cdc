#include "engine/Queries.h"

#include "engine/CalendarConnection.h"
#include "engine/EngineInputs.h"
#include "engine/LinkModel.h"
#include "services/StrTools.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace zelvant {

namespace {

using std::chrono::local_days;

// Appointments outside these years are never offered by the "all" and "category" choices.
const local_days kFirstDay{std::chrono::year{1984} / 1 / 1};
const local_days kLastDay{std::chrono::year{2049} / 12 / 31};

// What a filter looks at, read once per appointment.
struct AppointmentFacts {
    local_days startDay;
    local_days endDay;
    std::string categories;
};

bool isLinked(AppointmentItem& item, const std::string& propertyName)
{
    try {
        return !readLinkValue(item, propertyName).empty();
    } catch (const std::exception&) {
        return false; // an unreadable property counts as missing
    }
}

bool withinYears(const AppointmentFacts& facts)
{
    return facts.startDay >= kFirstDay && facts.endDay <= kLastDay;
}

bool hasCategory(const std::string& categories, const std::string& wanted)
{
    if (wanted.empty())
        return false;
    const std::vector<std::string> names = SplitToCollection(categories, ";");
    return std::find(names.begin(), names.end(), wanted) != names.end();
}

// Names match whole: "Ann" is not one of "Anna; Bob".
bool hasResource(const std::string& resourceNames, const std::string& wanted)
{
    const std::string name = trimBlanks(wanted);
    for (const std::string& one : SplitToCollection(resourceNames, ";"))
        if (trimBlanks(one) == name)
            return true;
    return false;
}

bool passes(const AppointmentFacts& facts, const AppointmentFilter& filter)
{
    switch (filter.kind) {
    case AppointmentFilter::All:
        return withinYears(facts);
    case AppointmentFilter::Category:
        return withinYears(facts) && hasCategory(facts.categories, filter.category);
    case AppointmentFilter::Period:
        return facts.startDay <= dateOf(filter.to) && facts.endDay >= dateOf(filter.from);
    }
    return false;
}

// Whether a task is linked; nothing when its field cannot be read.
std::optional<bool> linkedTask(Task& task, int fieldId)
{
    try {
        return !task.getField(fieldId).empty();
    } catch (const std::exception&) {
        return std::nullopt; // the caller offers such a task for nothing: only reading here
    }
}

// Whether an unlinked task may be offered under the summary rule and, in mode 1, the resource rule.
bool offered(Task& task, int fieldId, bool includeSummary, const std::string* resource)
{
    try {
        if (linkedTask(task, fieldId) != false)
            return false; // linked, or unknown: never offered for a second link
        if (resource && !hasResource(task.resourceNames(), *resource))
            return false;
        return includeSummary || !task.isSummary();
    } catch (const std::exception&) {
        return false; // a task that cannot be read is not offered; nothing is written
    }
}

std::vector<Task*> readTasks(Project& project)
{
    try {
        return project.tasks();
    } catch (const std::exception&) {
        return {}; // no plan to read: nothing to offer, nothing written
    }
}

} // namespace

std::vector<AppointmentPtr> GetAppointments(CalendarFolder& folder, const std::string& propertyName,
                                            const AppointmentFilter& filter)
{
    std::vector<AppointmentPtr> found;
    std::vector<AppointmentPtr> items;
    try {
        items = folder.items();
    } catch (const std::exception&) {
        return found; // no calendar to read: nothing to offer, nothing written
    }
    for (const AppointmentPtr& item : items) {
        if (!item || isLinked(*item, propertyName))
            continue;
        try {
            const AppointmentFacts facts{dateOf(item->start()), dateOf(item->end()),
                                         filter.kind == AppointmentFilter::Category ? item->categories()
                                                                                    : ""};
            if (passes(facts, filter))
                found.push_back(item);
        } catch (const std::exception&) {
            // An appointment that cannot be read is not offered.
        }
    }
    return found;
}

std::vector<AppointmentPtr> GetAppointments(CalendarLauncher& launcher, const std::string& propertyName,
                                            const AppointmentFilter& filter)
{
    CalendarConnection connection(launcher);
    return GetAppointments(connection.folder(), propertyName, filter);
}

std::vector<std::string> GetCategories(CalendarFolder& folder)
{
    std::vector<std::string> names;
    std::vector<AppointmentPtr> items;
    try {
        items = folder.items();
    } catch (const std::exception&) {
        return names; // no calendar to read: no names to offer
    }
    for (const AppointmentPtr& item : items) {
        std::string categories;
        try {
            if (item)
                categories = item->categories();
        } catch (const std::exception&) {
            continue; // its names are not offered; the list only helps the user choose
        }
        for (std::string& name : SplitToCollection(categories, ";")) {
            // A blank name (from "Rot; ") is no category to choose.
            if (!trimBlanks(name).empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
        }
    }
    return names;
}

std::vector<std::string> GetCategories(CalendarLauncher& launcher)
{
    CalendarConnection connection(launcher);
    return GetCategories(connection.folder());
}

std::optional<std::vector<Task*>> GetUnlinkedTasks(ProjectApplication& app, Project& project,
                                                   const TaskFilter& filter, const std::string& fieldName)
{
    const int fieldId = GetFieldId(fieldName);
    std::vector<Task*> candidates;
    if (filter.choice == TaskChoice::Selected) {
        try {
            candidates = app.activeSelectionTasks();
        } catch (const std::exception&) {
            return std::nullopt; // the caller tells the user the selection could not be read
        }
    } else {
        candidates = readTasks(project);
    }
    const std::string* wantedResource = filter.choice == TaskChoice::OfResource ? &filter.resource : nullptr;
    std::vector<Task*> found;
    for (Task* task : candidates)
        if (task && offered(*task, fieldId, filter.includeSummary, wantedResource))
            found.push_back(task);
    return found;
}

std::vector<Task*> GetLinkedTasks(Project& project, const std::string& fieldName)
{
    const int fieldId = GetFieldId(fieldName);
    std::vector<Task*> found;
    for (Task* task : readTasks(project))
        if (task && linkedTask(*task, fieldId) == true)
            found.push_back(task);
    return found;
}

} // namespace zelvant
