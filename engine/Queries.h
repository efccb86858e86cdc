#pragma once

#include "hostapi/CalendarApi.h"
#include "hostapi/ProjectApi.h"

#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// Which unlinked appointments the wizard offers.
struct AppointmentFilter {
    enum Kind {
        All,      // every appointment between 01.01.1984 and 31.12.2049
        Category, // those of `category` within the same years
        Period,   // those that overlap from..to by at least one day, whatever the year
    };
    Kind kind = All;
    std::string category; // compared exactly, letter case included
    DateTime from{};      // only the days count
    DateTime to{};
};

// Which unlinked tasks are offered for linking.
struct TaskFilter {
    enum class Choice {
        All,        // every task of the plan
        OfResource, // those whose resource names contain `resource`
        Selected,   // those marked in the plan
    };
    Choice choice = Choice::All;
    std::string resource;        // compared as a part of the names, letter case included
    bool includeSummary = false; // summary tasks too
};
using TaskChoice = TaskFilter::Choice;

// The unlinked appointments of the folder that pass the filter, in folder order. An appointment
// whose link property cannot be read counts as unlinked; one whose dates cannot be read is left out.
std::vector<AppointmentPtr> GetAppointments(CalendarFolder& folder, const std::string& propertyName,
                                            const AppointmentFilter& filter);
// The same over a connection of its own. The items stay usable only while the calendar
// application runs: a caller that goes on to link them keeps its own connection open.
std::vector<AppointmentPtr> GetAppointments(CalendarLauncher& launcher, const std::string& propertyName,
                                            const AppointmentFilter& filter);

// The category names used in the folder, each once, in the order first met, letter case kept.
std::vector<std::string> GetCategories(CalendarFolder& folder);
// The same over a connection of its own; throws HostError when the calendar cannot be reached.
std::vector<std::string> GetCategories(CalendarLauncher& launcher);

// The project's tasks with an empty link field that pass the filter, in plan order. Nothing when
// the selection cannot be read.
std::optional<std::vector<Task*>> GetUnlinkedTasks(ProjectApplication& app, Project& project,
                                                   const TaskFilter& filter, const std::string& fieldName);

// The project's tasks whose link field holds any text, in plan order.
std::vector<Task*> GetLinkedTasks(Project& project, const std::string& fieldName);

} // namespace zelvant
