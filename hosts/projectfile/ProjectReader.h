#pragma once

// Reads the Project element of a plan file into the in-memory project model: settings,
// calendars, tasks with their schedule, constraint, type, calendar, resources, custom fields and
// split parts. Blank rows keep their row number but are no tasks; the project summary task
// (UID 0) is not one of the project's tasks.

#include "hosts/project/MemoryProject.h"
#include "hosts/projectfile/CalendarReader.h"
#include "hosts/projectfile/PlanIndex.h"

#include <pugixml.hpp>

#include <map>
#include <string>
#include <vector>

namespace zelvant {

class ProjectReader {
public:
    // Fills `project` from `root` and returns where a save finds the elements it edits.
    // Throws ContentError for a value that cannot be used.
    static PlanIndex read(pugi::xml_node root, MemoryProject& project);

private:
    ProjectReader(pugi::xml_node root, MemoryProject& project);

    void readSettings();
    void readCalendars();
    void readResources();
    void readAssignments();
    void readFieldDefinitions();
    void readTasks();
    void readTask(pugi::xml_node node);
    std::string resourceNamesOf(int taskUid) const;
    void readSplitParts(MemoryTask& task);

    pugi::xml_node root_;
    MemoryProject& project_;
    PlanIndex index_;
    std::vector<FileCalendar> calendars_;
    std::map<int, const WorkCalendar*> calendarByUid_;
    std::map<int, std::string> calendarNames_; // UID -> name, for calendars the model holds under it
    std::map<int, std::string> resourceNames_; // by resource UID
};

} // namespace zelvant
