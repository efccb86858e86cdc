#include "hosts/projectfile/ProjectReader.h"

#include "hostapi/HostError.h"
#include "hostapi/Text.h"
#include "hosts/projectfile/ContentError.h"
#include "hosts/projectfile/MspdiValues.h"
#include "hosts/projectfile/TimephasedWork.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string_view>

namespace zelvant {

using namespace std::chrono;

namespace {

// The resource UID of an assignment that has no resource, and the unnamed resource every file has.
constexpr int kNoResource = -65535;
constexpr int kUnnamedResource = 0;

std::string_view trimmedValue(pugi::xml_node node)
{
    return trimmed(node.child_value());
}

// "<Start> „gestern“": the element and the value that cannot be used.
std::string quoted(pugi::xml_node node)
{
    return std::string("<") + node.name() + "> \u201E" + std::string(trimmedValue(node)) + "\u201C";
}

std::optional<long long> integerOf(pugi::xml_node node)
{
    if (!node)
        return std::nullopt;
    const auto value = mspdi::parseInteger(node.child_value());
    if (!value)
        throw ContentError(node, quoted(node) + " ist keine ganze Zahl");
    return value;
}

// A number the file keeps in 32 bits: unique IDs, row numbers, codes.
int intOf(pugi::xml_node node, int fallback)
{
    const auto value = integerOf(node);
    if (!value)
        return fallback;
    if (*value < INT_MIN || *value > INT_MAX)
        throw ContentError(node, quoted(node) + " liegt au\u00DFerhalb des Zahlenbereichs (32 Bit)");
    return static_cast<int>(*value);
}

int intOr(pugi::xml_node parent, const char* name, int fallback)
{
    return intOf(parent.child(name), fallback);
}

std::optional<DateTime> dateTimeOf(pugi::xml_node node)
{
    if (!node || !*node.child_value())
        return std::nullopt;
    const auto value = mspdi::parseDateTime(node.child_value());
    if (!value)
        throw ContentError(node, quoted(node) + " ist kein Datum");
    if (!mspdi::inPlanYears(*value))
        throw ContentError(node, quoted(node) + " liegt nicht in den Jahren " +
                                     std::to_string(mspdi::kFirstYear) + " bis " +
                                     std::to_string(mspdi::kLastYear));
    return value;
}

std::optional<DateTime> dateTime(pugi::xml_node parent, const char* name)
{
    return dateTimeOf(parent.child(name));
}

std::optional<seconds> durationOf(pugi::xml_node node)
{
    if (!node || !*node.child_value())
        return std::nullopt;
    mspdi::Fault fault = mspdi::Fault::Unreadable;
    const auto value = mspdi::parseDuration(node.child_value(), &fault);
    if (!value && fault == mspdi::Fault::OutOfRange)
        throw ContentError(node, quoted(node) + " ist l\u00E4nger als " +
                                     std::to_string(mspdi::kLongestDuration.count() / (366L * 86400)) +
                                     " Jahre");
    if (!value)
        throw ContentError(node, quoted(node) + " ist keine Dauer");
    return value;
}

// How a message names an element of the file: its kind, unique ID, row number and name, as the
// file writes them, so that the user finds it even when one of them is what cannot be read.
std::string labelOf(const char* kind, pugi::xml_node node)
{
    std::string label = kind;
    if (const std::string_view uid = trimmedValue(node.child("UID")); !uid.empty())
        (label += " UID ") += uid;
    if (const std::string_view id = trimmedValue(node.child("ID")); !id.empty())
        ((label += " (Nr. ") += id) += ')';
    if (const std::string_view name = node.child_value("Name"); !name.empty())
        ((label += " \u201E") += name) += "\u201C";
    return label;
}

std::string taskLabel(pugi::xml_node task)
{
    return labelOf("Vorgang", task);
}

std::string assignmentLabel(pugi::xml_node assignment)
{
    std::string label = labelOf("Zuordnung", assignment);
    if (const std::string_view task = trimmedValue(assignment.child("TaskUID")); !task.empty())
        (label += " zu Vorgang UID ") += task;
    return label;
}

// The children of a Task that the model takes, found in one pass: a task has some eighty.
struct TaskElements {
    pugi::xml_node uid, isNull, name, outlineLevel, calendarUid, start, finish, duration, type;
    pugi::xml_node constraintType, constraintDate;
    std::vector<pugi::xml_node> fields;

    explicit TaskElements(pugi::xml_node task)
    {
        using Wanted = std::pair<const char*, pugi::xml_node TaskElements::*>;
        static const Wanted wanted[] = {
            {"UID", &TaskElements::uid},
            {"IsNull", &TaskElements::isNull},
            {"Name", &TaskElements::name},
            {"OutlineLevel", &TaskElements::outlineLevel},
            {"CalendarUID", &TaskElements::calendarUid},
            {"Start", &TaskElements::start},
            {"Finish", &TaskElements::finish},
            {"Duration", &TaskElements::duration},
            {"Type", &TaskElements::type},
            {"ConstraintType", &TaskElements::constraintType},
            {"ConstraintDate", &TaskElements::constraintDate},
        };
        // The wanted names by their first letter: a child is compared only with those few.
        static const auto byLetter = [] {
            std::array<std::vector<Wanted>, 128> table;
            for (const Wanted& entry : wanted)
                table[std::size_t(static_cast<unsigned char>(entry.first[0]))].push_back(entry);
            return table;
        }();
        for (pugi::xml_node child = task.first_child(); child; child = child.next_sibling()) {
            const char* childName = child.name();
            if (childName[0] == 'E' && std::strcmp(childName, "ExtendedAttribute") == 0) {
                fields.push_back(child);
                continue;
            }
            const auto letter = static_cast<unsigned char>(childName[0]);
            if (letter >= byLetter.size())
                continue;
            for (const auto& [wantedName, member] : byLetter[letter])
                if (std::strcmp(childName, wantedName) == 0 && !(this->*member)) {
                    this->*member = child;
                    break;
                }
        }
    }
};

// The timephased work of an assignment that the schedule is made of: remaining and actual work.
std::vector<TimephasedPeriod> workPeriods(pugi::xml_node assignment)
{
    std::vector<TimephasedPeriod> periods;
    for (pugi::xml_node data : assignment.children("TimephasedData")) {
        const int type = intOr(data, "Type", 1);
        if (type != 1 && type != 2)
            continue;
        const auto start = dateTime(data, "Start");
        const auto finish = dateTime(data, "Finish");
        if (!start || !finish)
            continue;
        periods.push_back({*start, *finish, durationOf(data.child("Value")).value_or(seconds{0})});
    }
    return periods;
}

} // namespace

PlanIndex ProjectReader::read(pugi::xml_node root, MemoryProject& project)
{
    ProjectReader reader(root, project);
    reader.readSettings();
    reader.readCalendars();
    reader.readResources();
    reader.readAssignments();
    reader.readFieldDefinitions();
    reader.readTasks();
    project.markSaved();
    return std::move(reader.index_);
}

ProjectReader::ProjectReader(pugi::xml_node root, MemoryProject& project) : root_(root), project_(project)
{
    index_.root = root;
}

void ProjectReader::readSettings()
{
    if (const auto start = dateTime(root_, "StartDate"))
        project_.setStartDate(*start);
    const pugi::xml_node minutesPerDay = root_.child("MinutesPerDay");
    if (const int minutes = intOf(minutesPerDay, 0); minutes > 24 * 60)
        throw ContentError(minutesPerDay, quoted(minutesPerDay) + " ist mehr als ein Tag hat (1440 Minuten)");
    else if (minutes > 0)
        project_.setMinutesPerDay(minutes);
    // The project's free text is its title, which the plan shows in the file's properties.
    project_.setText(root_.child_value("Title"));
}

void ProjectReader::readCalendars()
{
    calendars_ = CalendarReader::read(root_.child("Calendars"));
    // Base calendars first: tasks and the project name them. A resource's own calendar joins
    // only under a name no base calendar has.
    for (const bool base : {true, false}) {
        for (const FileCalendar& calendar : calendars_) {
            if (calendar.isBase != base || (!base && project_.hasCalendar(calendar.name)))
                continue;
            project_.addCalendar(calendar.calendar);
            index_.calendarUids.emplace(calendar.name, calendar.uid);
        }
    }
    for (const FileCalendar& calendar : calendars_) {
        calendarByUid_[calendar.uid] = &calendar.calendar;
        if (index_.calendarUids.count(calendar.name) && index_.calendarUids.at(calendar.name) == calendar.uid)
            calendarNames_.emplace(calendar.uid, calendar.name);
    }
    const int projectCalendar = intOr(root_, "CalendarUID", -1);
    for (const FileCalendar& calendar : calendars_)
        if (calendar.uid == projectCalendar && project_.hasCalendar(calendar.name))
            project_.setBaseCalendar(calendar.name);
}

void ProjectReader::readResources()
{
    for (pugi::xml_node node : root_.child("Resources").children("Resource")) {
        int uid = kUnnamedResource;
        int calendarUid = -1;
        try {
            uid = intOr(node, "UID", kUnnamedResource);
            calendarUid = intOr(node, "CalendarUID", -1);
        } catch (const ContentError& error) {
            throw error.within(labelOf("Ressource", node));
        }
        resourceNames_[uid] = node.child_value("Name");
        if (const auto calendar = calendarByUid_.find(calendarUid); calendar != calendarByUid_.end())
            index_.resourceCalendars.emplace(uid, *calendar->second);
    }
}

void ProjectReader::readAssignments()
{
    for (pugi::xml_node node : root_.child("Assignments").children("Assignment")) {
        try {
            index_.assignments[intOr(node, "TaskUID", -1)].push_back(node);
            index_.lastAssignmentUid = std::max(index_.lastAssignmentUid, intOr(node, "UID", 0));
        } catch (const ContentError& error) {
            throw error.within(assignmentLabel(node));
        }
    }
}

void ProjectReader::readFieldDefinitions()
{
    for (pugi::xml_node node : root_.child("ExtendedAttributes").children("ExtendedAttribute")) {
        if (const int fieldId = intOr(node, "FieldID", 0)) {
            index_.definedFields.insert(fieldId);
            index_.usedFields.insert(fieldId);
        }
    }
}

void ProjectReader::readTasks()
{
    // Rows in the order of their row number, which is how the plan shows them.
    std::vector<std::pair<int, pugi::xml_node>> rows;
    for (pugi::xml_node node : root_.child("Tasks").children("Task")) {
        try {
            rows.emplace_back(intOr(node, "ID", 0), node);
        } catch (const ContentError& error) {
            throw error.within(taskLabel(node));
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& row : rows) {
        index_.lastTaskId = std::max(index_.lastTaskId, row.first);
        try {
            readTask(row.second);
        } catch (const ContentError& error) {
            throw error.within(taskLabel(row.second));
        }
    }
    // Split parts last: whether a task is a summary depends on the rows after it.
    for (Task* task : project_.tasks()) {
        MemoryTask& memoryTask = project_.taskById(task->id());
        try {
            readSplitParts(memoryTask);
        } catch (const ContentError& error) {
            throw error.within(taskLabel(index_.tasks.at(memoryTask.uniqueId())));
        }
    }
}

void ProjectReader::readTask(pugi::xml_node node)
{
    const TaskElements elements(node);
    const int uid = intOf(elements.uid, -1);
    index_.lastTaskUid = std::max(index_.lastTaskUid, uid);
    // A blank row keeps its row number but holds no task.
    if (intOf(elements.isNull, 0) != 0) {
        index_.rowUids.insert(uid);
        project_.addBlankRow();
        return;
    }
    // The project summary task stands for the whole project; it is no row of the plan.
    if (uid == 0) {
        index_.rowUids.insert(uid);
        return;
    }
    if (uid < 1 || project_.taskByUniqueId(uid) || index_.rowUids.count(uid))
        throw ContentError(node, "Vorgangs-UID " + std::to_string(uid) + " fehlt oder kommt doppelt vor");
    MemoryTask& task = project_.addTask(uid);
    index_.tasks.emplace(uid, node);

    task.setName(elements.name.child_value());
    task.setOutlineLevel(std::max(1, intOf(elements.outlineLevel, 1)));
    if (const auto calendar = calendarNames_.find(intOf(elements.calendarUid, -1));
        calendar != calendarNames_.end())
        task.setCalendar(calendar->second);
    task.setResourceNames(resourceNamesOf(uid));

    const DateTime start = dateTimeOf(elements.start).value_or(project_.startDate());
    const DateTime finish = dateTimeOf(elements.finish).value_or(start);
    task.assignSchedule(start, finish, floor<Minutes>(durationOf(elements.duration).value_or(seconds{0})));
    const int constraint = intOf(elements.constraintType, 0);
    if (constraint < 0 || constraint > 7)
        throw ContentError(elements.constraintType,
                           "unbekannte Einschränkungsart " + std::to_string(constraint));
    task.assignConstraint(ConstraintType(constraint), dateTimeOf(elements.constraintDate).value_or(start));
    const int type = intOf(elements.type, 0);
    task.setType(type >= 0 && type <= 2 ? TaskType(type) : TaskType::FixedUnits);

    for (pugi::xml_node field : elements.fields) {
        if (const int fieldId = intOr(field, "FieldID", 0)) {
            index_.usedFields.insert(fieldId);
            task.setField(fieldId, field.child_value("Value"));
        }
    }
}

std::string ProjectReader::resourceNamesOf(int taskUid) const
{
    std::string names;
    const auto assignments = index_.assignments.find(taskUid);
    if (assignments == index_.assignments.end())
        return names;
    for (pugi::xml_node assignment : assignments->second) {
        const int resourceUid = intOr(assignment, "ResourceUID", kNoResource);
        const auto resource = resourceNames_.find(resourceUid);
        if (resourceUid == kNoResource || resourceUid == kUnnamedResource ||
            resource == resourceNames_.end() || resource->second.empty())
            continue;
        names += (names.empty() ? "" : ";") + resource->second;
    }
    return names;
}

void ProjectReader::readSplitParts(MemoryTask& task)
{
    if (task.isSummary() || task.duration() <= Minutes{0})
        return;
    const auto assignments = index_.assignments.find(task.uniqueId());
    if (assignments == index_.assignments.end())
        return;
    const WorkCalendar& taskCalendar = task.workCalendar();
    std::vector<SplitPart> stretches;
    for (pugi::xml_node assignment : assignments->second) {
        if (!assignment.child("TimephasedData"))
            continue;
        // A resource works on its own calendar; the gaps of its work are judged there.
        const auto resourceCalendar =
            index_.resourceCalendars.find(intOr(assignment, "ResourceUID", kNoResource));
        const WorkCalendar* calendar =
            resourceCalendar == index_.resourceCalendars.end() ? &taskCalendar : &resourceCalendar->second;
        std::vector<TimephasedPeriod> periods;
        try {
            periods = workPeriods(assignment);
        } catch (const ContentError& error) {
            throw error.within(labelOf("Zuordnung", assignment));
        }
        const auto worked = TimephasedWork::workedStretches(std::move(periods), *calendar);
        const auto joined = TimephasedWork::joinStretches(worked, *calendar);
        stretches.insert(stretches.end(), joined.begin(), joined.end());
    }
    std::vector<SplitPart> parts = TimephasedWork::joinStretches(std::move(stretches), taskCalendar);
    if (parts.size() > 1)
        task.assignSplitParts(std::move(parts));
}

} // namespace zelvant
