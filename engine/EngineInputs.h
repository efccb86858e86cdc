#pragma once

#include "engine/LinkModel.h"
#include "engine/Progress.h"
#include "engine/RunReport.h"
#include "hostapi/CalendarApi.h"
#include "hostapi/ProjectApi.h"

#include <exception>
#include <string>

namespace zelvant {

// The inputs every engine operation takes, in the order its caller obtains them right before
// the call: the calendar application, the active project, the default calendar folder, the
// name of the appointments' link property and the name of the tasks' link field.
struct EngineInputs {
    CalendarApplication& calendar;
    Project& project;
    CalendarFolder& folder;
    std::string propertyName = kLinkProperty;
    std::string fieldName = kLinkField;
};

// What a run reports to and asks of its surroundings: the host application (for its
// working-time arithmetic), the progress display and the run report.
struct RunContext {
    ProjectApplication& host;
    ProgressSink& progress;
    RunReport& report;
};

// Runs one host step. A failure is recorded with what was being done and to what, and the
// run goes on with the next step; returns whether the step succeeded.
template <typename Step>
bool attempt(RunReport& report, const std::string& subject, const char* action, Step&& step)
{
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        report.fail(subject, action, error.what());
        return false;
    }
}

// How the report names a task: its row number and name, as far as the plan still answers.
std::string describeTask(Task& task);

// Reads an appointment's link value; an appointment without the property reads as "".
std::string readLinkValue(AppointmentItem& item, const std::string& propertyName);
// Writes an appointment's link value, adding the property first when it is missing.
void writeLinkValue(AppointmentItem& item, const std::string& propertyName, const std::string& value,
                    bool addToFolderFields);

} // namespace zelvant
