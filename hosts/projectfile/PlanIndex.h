#pragma once

#include "hosts/project/WorkCalendar.h"

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelvant {

// Where a loaded plan file keeps what a save edits, found once while reading.
struct PlanIndex {
    // The Project element.
    pugi::xml_node root;
    // Task elements of the project's tasks, by the task's unique ID in the project model.
    std::unordered_map<int, pugi::xml_node> tasks;
    // Unique IDs the file uses for rows that no task of the model holds under that number: blank
    // rows, the project summary, and new tasks written under another number than the model's.
    std::set<int> rowUids;
    // Assignment elements by the unique ID of their task.
    std::unordered_map<int, std::vector<pugi::xml_node>> assignments;
    // Calendar UIDs by calendar name, for a new task's CalendarUID.
    std::map<std::string, int> calendarUids;
    // Field identifiers with a definition in the project's ExtendedAttributes.
    std::set<int> definedFields;
    // Field identifiers the file uses, by definition or by a task's value.
    std::set<int> usedFields;
    // The calendars resources work on, by resource UID, for the timephased work of their assignments.
    std::map<int, WorkCalendar> resourceCalendars;
    // The highest task UID, row ID and assignment UID in the file, so new ones get the next free number.
    int lastTaskUid = 0;
    int lastTaskId = 0;
    int lastAssignmentUid = 0;
    // The row IDs and assignment UIDs the file uses, gathered only when the highest leaves no
    // room above it and a free number has to be searched for.
    std::set<int> taskIds;
    std::set<int> assignmentUids;
    bool numbersGathered = false;
};

} // namespace zelvant
