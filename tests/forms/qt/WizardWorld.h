#pragma once

// A plan, a calendar, a registry and the wizard's other surroundings in memory, shared by the
// wizard's logic tests and its window tests.

#include "engine/LinkModel.h"
#include "forms/WizardLogic.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "hosts/project/MemoryProjectApplication.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zelvant::testing {

// A clock that always shows the moment it was given.
class FixedClock : public Clock {
public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime now() const override { return now_; }

private:
    DateTime now_;
};

// Keeps every message; a test may act while a message is "shown".
class RecordingMessages : public MessageSink {
public:
    void warning(const std::string& text, const std::string& title) override
    {
        warnings.push_back(title + ": " + text);
        if (onWarning)
            onWarning();
    }
    void information(const std::string& text, const std::string& title) override
    {
        warnings.push_back(title + ": " + text);
    }
    bool askYesNo(const std::string&, const std::string&) override { return true; }

    std::vector<std::string> warnings;
    std::function<void()> onWarning;
};

// Keeps every progress report in order.
class RecordingProgress : public ProgressSink {
public:
    void showProgress(double percent, const std::string& text) override { steps.emplace_back(percent, text); }
    std::vector<std::pair<double, std::string>> steps;
};

// The registry in memory: keys by path, values by name (exact names are enough here).
class TestRegistry : public Registry {
public:
    using Values = std::map<std::string, RegValue>;

    std::unique_ptr<RegistryKey> createKey(RegistryRoot, const std::string& path) override
    {
        return std::make_unique<Key>(keys[path]);
    }
    std::unique_ptr<RegistryKey> openKey(RegistryRoot, const std::string& path) override
    {
        const auto found = keys.find(path);
        return found == keys.end() ? nullptr : std::make_unique<Key>(found->second);
    }

    // A wizard setting as stored text; "" when it is missing.
    std::string setting(const std::string& name)
    {
        const Values& values = keys[kSettingsKey];
        const auto found = values.find(name);
        return found == values.end() ? "" : found->second.data;
    }
    // Stores a wizard setting as text.
    void store(const std::string& name, const std::string& text)
    {
        keys[kSettingsKey][name] = RegValue::sz(text);
    }

    std::map<std::string, Values> keys;

private:
    class Key : public RegistryKey {
    public:
        explicit Key(Values& values) : values_(values) {}
        std::optional<RegValue> query(const std::string& name) const override
        {
            const auto found = values_.find(name);
            return found == values_.end() ? std::nullopt : std::optional<RegValue>(found->second);
        }
        void set(const std::string& name, const RegValue& value) override { values_[name] = value; }

    private:
        Values& values_;
    };
};

class WizardWorld {
public:
    WizardWorld() : host(std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8))) {}

    FixedClock clock{makeDateTime(2024, 3, 1, 9, 30)};
    MemoryProjectApplication host;
    MemoryProject& project = *host.project();
    MemoryCalendarLauncher launcher;
    MemoryCalendar& calendar = launcher.calendar();
    RecordingMessages messages;
    TestRegistry registry;
    RegistrySettingsStore settings{registry};

    // What the wizard is given.
    WizardEnvironment environment() { return {host, launcher, messages, settings, clock, 7}; }

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
