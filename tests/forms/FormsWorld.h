#pragma once

// A plan, a calendar, a registry and the other surroundings of the wizard and the quick
// synchronisation in memory, shared by the logic tests and the window tests.

#include "engine/LinkModel.h"
#include "forms/WizardLogic.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "hosts/registry/MemoryRegistry.h"
#include "services/Registry.h"
#include "tests/engine/Fakes.h"
#include "tests/services/RecordingMessages.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zelvant::testing {

class FormsWorld {
public:
    FormsWorld() : host(std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8))) {}

    FixedClock clock{makeDateTime(2024, 3, 1, 9, 30)};
    MemoryProjectApplication host;
    MemoryProject& project = *host.project();
    MemoryCalendarLauncher launcher;
    MemoryCalendar& calendar = launcher.calendar();
    RecordingMessages messages;
    MemoryRegistry registry;
    RegistrySettingsStore settings{registry};

    // What the wizard is given.
    WizardEnvironment environment() { return {host, launcher, messages, settings, clock, 7}; }

    // A wizard setting as stored text; "" when it is missing.
    std::string setting(const std::string& name)
    {
        return RegGetString(registry, kHkeyCurrentUser, kSettingsKey, name);
    }
    // Stores a wizard setting as text.
    void store(const std::string& name, std::string text)
    {
        RegSetString(registry, kHkeyCurrentUser, kSettingsKey, name, text);
    }

    // An unlinked task of one working day.
    MemoryTask& addTask(const std::string& name, const std::string& resources = "")
    {
        MemoryTask& task = project.addTask();
        task.setName(name);
        task.setResourceNames(resources);
        return task;
    }

    // A task linked to one appointment of the calendar; `key` tells the links apart.
    MemoryTask& addLinkedTask(const std::string& name, const std::string& key)
    {
        MemoryTask& task = addTask(name);
        const std::string value = link::build(0, key, task.start(), task.finish(), name);
        task.setField(kText29, value);
        calendar.addItem({.start = task.start(),
                          .end = task.finish(),
                          .subject = name,
                          .userProperties = {{kLinkProperty, value}}});
        return task;
    }

    // An unlinked appointment.
    std::shared_ptr<MemoryAppointment> addAppointment(const std::string& subject, DateTime start,
                                                      DateTime end, std::vector<std::string> categories = {})
    {
        return calendar.addItem(
            {.start = start, .end = end, .subject = subject, .categories = std::move(categories)});
    }

    // The link value a task holds now.
    static std::string linkOf(Task& task) { return task.getField(kText29); }
};

// A link key of 21 characters, told apart by its last digit.
inline std::string keyNo(int n)
{
    return "12345678920240301100" + std::to_string(n % 10);
}

} // namespace zelvant::testing
