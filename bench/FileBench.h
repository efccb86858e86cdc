#pragma once

#include <string>

// One measurement of a file format: our load and save against the bare library's parse and
// write of the same file, in the same run.
struct FileBenchResult {
    double oursSeconds = 0;
    double floorSeconds = 0;
    double fileMegabytes = 0;
};

// A generated plan of 10,000 tasks, 2,000 of them split; `withLinks`: the split ones carry a link value.
std::string generatePlan(bool withLinks);
// A generated calendar of `events` events in the mix a calendar client's export has.
std::string generateCalendar(int events);

// A generated plan of 10,000 tasks, 2,000 of them split.
FileBenchResult benchPlanFile();
// A generated calendar of 20,000 events.
FileBenchResult benchCalendarFile();
