#pragma once

// A plan and a calendar in memory, wired up the way the wizard hands them to an operation.

#include "engine/EngineInputs.h"
#include "engine/LinkModel.h"
#include "hosts/calendar/MemoryCalendarApplication.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "tests/engine/Fakes.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// A calendar application that can make one call of a future new item fail, since the item
// does not exist yet when the test sets up the failure.
class FaultyCalendarApplication : public MemoryCalendarApplication {
public:
    // Makes `call` fail on the `n`th item created from now on (counted from 1).
    void failOnNewItem(int n, std::string call)
    {
        failingItem_ = created_ + n;
        failingCall_ = std::move(call);
    }

    // A new item, with the planned failure when it is the one.
    AppointmentPtr createItem(int itemType) override
    {
        AppointmentPtr item = MemoryCalendarApplication::createItem(itemType);
        if (++created_ == failingItem_)
            std::static_pointer_cast<MemoryAppointment>(item)->faults().failOn(failingCall_);
        return item;
    }

private:
    int created_ = 0;
    int failingItem_ = 0;
    std::string failingCall_;
};

class EngineWorld {
public:
    FixedClock clock{makeDateTime(2024, 3, 1, 9, 30)};
    MemoryProjectApplication host{std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8, 0))};
    MemoryProject& project = *host.project();
    FaultyCalendarApplication calendarApp;
    MemoryCalendar& calendar = calendarApp.calendar();
    RecordingProgress progress;
    RunReport report;
    EngineInputs inputs{calendarApp, project, calendar};
    RunContext context{host, progress, report};

    // An unsplit task from start to finish on the Standard calendar.
    MemoryTask& addTask(const std::string& name, DateTime start, DateTime finish)
    {
        MemoryTask& task = project.addTask();
        task.setName(name);
        task.assignSchedule(start, finish, project.calendar("Standard").workingTimeBetween(start, finish));
        return task;
    }

    // A task of duration 0 at `at`: it has no split parts.
    MemoryTask& addMilestone(const std::string& name, DateTime at)
    {
        MemoryTask& task = project.addTask();
        task.setName(name);
        task.assignSchedule(at, at, Minutes{0});
        return task;
    }

    // A task split into the given parts.
    MemoryTask& addSplitTask(const std::string& name, std::vector<SplitPart> parts)
    {
        MemoryTask& task = project.addTask();
        task.setName(name);
        task.assignSplitParts(std::move(parts));
        return task;
    }

    // A stored appointment; a non-empty `linkValue` goes into the link property.
    std::shared_ptr<MemoryAppointment> addAppointment(const std::string& subject, DateTime start,
                                                      DateTime end, const std::string& linkValue = "",
                                                      std::vector<std::string> categories = {})
    {
        AppointmentData data{.start = start, .end = end, .subject = subject};
        data.categories = std::move(categories);
        if (!linkValue.empty())
            data.userProperties.emplace_back(kLinkProperty, linkValue);
        return calendar.addItem(std::move(data));
    }

    // The task's link field.
    static std::string linkOf(Task& task) { return task.getField(kText29); }
    // The appointment's link value ("" without the property).
    static std::string linkOf(AppointmentItem& item) { return readLinkValue(item, kLinkProperty); }

    // What breaks the link rule in this plan and calendar (see linkRuleBreaches below).
    std::vector<std::string> linkRuleBreaches(const RunReport& failed = {});
};

// What breaks the link rule: a linked task's value must claim exactly the appointments that
// carry its key, with part indexes 0..n-1, and no linked appointment may carry a key that no
// task has. Tasks sharing a key wait for the user and are not judged, nor are the tasks a
// run's report names as failed: they keep what they claimed before.
inline std::vector<std::string> linkRuleBreaches(MemoryProject& project, MemoryCalendar& calendar,
                                                 const RunReport& failed = {})
{
    const auto wasFailed = [&](Task& task) {
        const std::string who = describeTask(task);
        for (const auto& failure : failed.failures())
            if (failure.subject.compare(0, who.size(), who) == 0)
                return true;
        return false;
    };
    std::map<std::string, std::vector<int>> indexes;
    for (const auto& item : calendar.appointments())
        if (const std::string value = EngineWorld::linkOf(*item); !value.empty())
            indexes[std::string(link::key(value))].push_back(link::partCount(value).value_or(-1));
    std::map<std::string, int> owners;
    for (Task* task : project.tasks())
        if (const std::string value = EngineWorld::linkOf(*task); !value.empty())
            ++owners[std::string(link::key(value))];
    std::vector<std::string> breaches;
    for (Task* task : project.tasks()) {
        const std::string value = EngineWorld::linkOf(*task);
        const std::string key(link::key(value));
        if (value.empty() || owners[key] > 1 || wasFailed(*task))
            continue;
        std::vector<int> found = indexes[key], expected;
        std::sort(found.begin(), found.end());
        for (int i = 0; i <= link::partCount(value).value_or(-1); ++i)
            expected.push_back(i);
        if (found != expected)
            breaches.push_back(task->name() + ": " + value);
    }
    for (const auto& entry : indexes)
        if (!owners.count(entry.first))
            breaches.push_back("Termine ohne Vorgang: " + entry.first);
    return breaches;
}

inline std::vector<std::string> EngineWorld::linkRuleBreaches(const RunReport& failed)
{
    return zelvant::linkRuleBreaches(project, calendar, failed);
}

} // namespace zelvant
