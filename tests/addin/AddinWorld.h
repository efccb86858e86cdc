#pragma once

// Everything the add-in meets, as fakes that write every call into one journal, so a test can
// check the order of what happened across the plan, the message boxes and the windows.

#include "addin/AddinWindows.h"
#include "addin/Connect.h"
#include "addin/HostApplication.h"
#include "hosts/commandbars/CommandBarModel.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "hosts/registry/MemoryRegistry.h"

#include <memory>
#include <string>
#include <vector>

namespace zelvant::testing {

using Journal = std::vector<std::string>;

// The plan as the entry commands reach it; the calls they make are written down.
class JournalProject : public Project {
public:
    JournalProject(MemoryProject& inner, Journal& journal) : inner_(inner), journal_(journal) {}

    std::string name() const override { return inner_.name(); }
    std::vector<Task*> tasks() override { return inner_.tasks(); }
    int taskCount() const override
    {
        journal_.push_back("taskCount");
        return inner_.taskCount();
    }
    Task& taskById(int id) override { return inner_.taskById(id); }
    Task& addTask() override { return inner_.addTask(); }
    void removeAddedTask(Task& task) override { inner_.removeAddedTask(task); }
    std::string text() const override
    {
        journal_.push_back("text");
        return inner_.text();
    }
    void setText(const std::string& text) override
    {
        journal_.push_back("setText " + text);
        inner_.setText(text);
    }
    bool saved() const override
    {
        journal_.push_back("saved");
        return inner_.saved();
    }
    std::string baseCalendar() const override { return inner_.baseCalendar(); }

private:
    MemoryProject& inner_;
    Journal& journal_;
};

class JournalHost : public ProjectApplication {
public:
    explicit JournalHost(Journal& journal) : journal_(journal) {}

    Project& activeProject() override
    {
        MemoryProject& project = inner.activeProject(); // throws when none is open
        if (wrappedFor_ != &project) {
            wrapped_ = std::make_unique<JournalProject>(project, journal_);
            wrappedFor_ = &project;
        }
        return *wrapped_;
    }
    std::vector<Task*> activeSelectionTasks() override { return inner.activeSelectionTasks(); }
    void setHostSwitch(bool on) override
    {
        journal_.push_back(on ? "switch on" : "switch off");
        inner.setHostSwitch(on);
    }
    void fileSave() override
    {
        journal_.push_back("save");
        ++saves;
        inner.fileSave();
    }
    Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) override
    {
        return inner.dateDifference(start, finish, calendar);
    }

    MemoryProjectApplication inner;
    int saves = 0;

private:
    Journal& journal_;
    std::unique_ptr<JournalProject> wrapped_;
    MemoryProject* wrappedFor_ = nullptr;
};

class JournalMessages : public MessageSink {
public:
    explicit JournalMessages(Journal& journal) : journal_(journal) {}

    void warning(const std::string& text, const std::string& title) override { add("warning", text, title); }
    void information(const std::string& text, const std::string& title) override
    {
        add("information", text, title);
    }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        add("question", text, title);
        return answer;
    }

    // Every box shown, as "kind|title|text".
    std::vector<std::string> shown;
    bool answer = true;

private:
    void add(const std::string& kind, const std::string& text, const std::string& title)
    {
        journal_.push_back(kind);
        shown.push_back(kind + "|" + title + "|" + text);
    }

    Journal& journal_;
};

class FakeWizard : public WizardFormHandle {
public:
    FakeWizard(Journal& journal, int number) : journal_(journal), number_(number) {}

    WizardOptions options() const override
    {
        journal_.push_back("wizard" + std::to_string(number_) + " options");
        return options_;
    }
    void applyOptions(const WizardOptions& options) override
    {
        journal_.push_back("wizard" + std::to_string(number_) +
                           " apply syncType=" + std::to_string(options.syncType));
        options_ = options;
    }
    void setTabOrder(const std::vector<std::string>& controls) override
    {
        std::string text = "wizard" + std::to_string(number_) + " tabOrder";
        for (const std::string& control : controls)
            text += " " + control;
        journal_.push_back(text);
    }
    void hideLabel(const std::string& name) override
    {
        journal_.push_back("wizard" + std::to_string(number_) + " hide " + name);
    }
    void showModal() override { journal_.push_back("wizard" + std::to_string(number_) + " show"); }

    WizardOptions options_;

private:
    Journal& journal_;
    int number_;
};

class FakeQuickSync : public QuickSyncFormHandle {
public:
    FakeQuickSync(Journal& journal, int number) : journal_(journal), number_(number) {}
    void showModal() override { journal_.push_back("quick" + std::to_string(number_) + " show"); }

private:
    Journal& journal_;
    int number_;
};

// Numbers the forms it makes, so a test sees whether an instance was reused.
class FakeWindows : public AddinWindows {
public:
    explicit FakeWindows(Journal& journal) : journal_(journal) {}

    std::unique_ptr<WizardFormHandle> createWizard() override
    {
        journal_.push_back("create wizard" + std::to_string(++wizards));
        return std::make_unique<FakeWizard>(journal_, wizards);
    }
    std::unique_ptr<QuickSyncFormHandle> createQuickSync() override
    {
        journal_.push_back("create quick" + std::to_string(++quickForms));
        return std::make_unique<FakeQuickSync>(journal_, quickForms);
    }

    int wizards = 0;
    int quickForms = 0;

private:
    Journal& journal_;
};

class FixedClock : public Clock {
public:
    DateTime now() const override { return makeDateTime(2024, 3, 11, 9, 30); }
};

class FakeHostApplication : public HostApplication {
public:
    CommandBars* commandBars() override { return bars; }
    ProjectApplication* projectApplication() override { return project; }

    CommandBars* bars = nullptr;
    ProjectApplication* project = nullptr;
};

// The whole world of one test: a host with command bars and a plan, the registry, the windows.
struct AddinWorld {
    AddinWorld()
    {
        application.bars = &bars;
        application.project = &host;
    }

    // A new add-in object over this world.
    std::unique_ptr<Connect> makeConnect()
    {
        return std::make_unique<Connect>(ConnectServices{registry, messages, windows, clock});
    }

    // Opens a plan with `tasks` tasks, saved as if just read from its file.
    MemoryProject& openPlan(int tasks)
    {
        auto project = std::make_unique<MemoryProject>("Umzug", makeDateTime(2024, 3, 11, 8));
        for (int i = 0; i < tasks; ++i)
            project->addTask().setName("Vorgang " + std::to_string(i + 1));
        project->setText("Notiz");
        project->markSaved();
        host.inner.open(std::move(project));
        return *host.inner.project();
    }

    Journal journal;
    CommandBarModel bars;
    JournalHost host{journal};
    FakeHostApplication application;
    MemoryRegistry registry;
    JournalMessages messages{journal};
    FakeWindows windows{journal};
    FixedClock clock;
    AddInInstance addInInst{"Zelvant.Connect"};
    CustomArguments custom;
};

} // namespace zelvant::testing
