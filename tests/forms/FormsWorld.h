#pragma once

// A plan, a calendar, a registry and the other surroundings of the wizard and the quick
// synchronisation in memory, shared by the logic tests and the window tests.

#include "forms/WizardLogic.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "hosts/registry/MemoryRegistry.h"
#include "services/Registry.h"
#include "tests/engine/EngineWorld.h"
#include "tests/services/RecordingMessages.h"

#include <gtest/gtest.h>

#include <set>

namespace zelvant::testing {

class FormsWorld {
public:
    FixedClock clock{makeDateTime(2024, 3, 1, 9, 30)};
    MemoryProjectApplication host{std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8))};
    MemoryProject& project = *host.project();
    MemoryCalendarLauncher launcher;
    MemoryCalendar& calendar = launcher.calendar();
    RecordingMessages messages;
    MemoryRegistry registry;
    RegistrySettingsStore settings{registry};

    WizardEnvironment environment() { return {host, launcher, messages, settings, clock, 7}; }

    // A wizard setting as stored text ("" when missing), and storing one.
    std::string setting(const std::string& n)
    {
        return RegGetString(registry, kHkeyCurrentUser, kSettingsKey, n);
    }
    void store(const std::string& n, std::string t)
    {
        RegSetString(registry, kHkeyCurrentUser, kSettingsKey, n, t);
    }

    // An unlinked task of one working day.
    MemoryTask& addTask(const std::string& name, const std::string& resources = "")
    {
        MemoryTask& task = project.addTask();
        task.setName(name);
        task.setResourceNames(resources);
        return task;
    }

    // A task linked to one appointment of the calendar; `n` tells the link keys apart.
    MemoryTask& addLinkedTask(const std::string& name, int n)
    {
        MemoryTask& task = addTask(name);
        const std::string value = link::build(0, "12345678920240301100" + std::to_string(n % 10),
                                              task.start(), task.finish(), name);
        task.setField(kText29, value);
        calendar.addItem({.start = task.start(),
                          .end = task.finish(),
                          .subject = name,
                          .userProperties = {{kLinkProperty, value}}});
        return task;
    }

    std::shared_ptr<MemoryAppointment> addAppointment(const std::string& subject, DateTime start,
                                                      DateTime end, std::vector<std::string> categories = {})
    {
        return calendar.addItem(
            {.start = start, .end = end, .subject = subject, .categories = std::move(categories)});
    }

    // The names of the linked tasks, and the link rule over plan and calendar: a linked task's value and
    // its appointments' values share the key, their part indexes run 0..n-1 where the task says n-1,
    // and no appointment's key belongs to no task.
    std::set<std::string> linkedTaskNames()
    {
        EXPECT_EQ(linkRuleBreaches(project, calendar), std::vector<std::string>{});
        std::set<std::string> names;
        for (Task* task : project.tasks())
            if (!EngineWorld::linkOf(*task).empty())
                names.insert(task->name());
        return names;
    }
};

} // namespace zelvant::testing
