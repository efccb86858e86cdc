#pragma once

// Everything the add-in meets, as fakes that write their calls into one journal, so a test can
// check the order of what happened across the host, the message boxes and the windows.

#include "addin/AddinWindows.h"
#include "addin/Connect.h"
#include "addin/HostApplication.h"
#include "hostapi/HostError.h"
#include "hosts/commandbars/CommandBarModel.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "hosts/registry/MemoryRegistry.h"
#include "tests/support/FixedClock.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace zelvant::testing {

using Journal = std::vector<std::string>;

// The plan application; switching the host's screen and saving are written down, a save as
// "save changes" when the plan had any, so a test sees whether saving really wrote.
class JournalHost : public ProjectApplication {
public:
    explicit JournalHost(Journal& journal) : journal_(journal) {}
    Project& activeProject() override { return inner.activeProject(); }
    std::vector<Task*> activeSelectionTasks() override { return inner.activeSelectionTasks(); }
    void setHostSwitch(bool on) override
    {
        journal_.push_back(on ? "switch on" : "switch off");
        inner.setHostSwitch(on);
    }
    void fileSave() override
    {
        journal_.push_back(inner.project() && !inner.project()->saved() ? "save changes" : "save");
        inner.fileSave();
    }
    Minutes dateDifference(DateTime a, DateTime b, const std::string& c) override
    {
        return inner.dateDifference(a, b, c);
    }
    MemoryProjectApplication inner;

private:
    Journal& journal_;
};

// Every box shown, as "kind|title|text", both in `shown` and in the journal.
class JournalMessages : public MessageSink {
public:
    explicit JournalMessages(Journal& journal) : journal_(journal) {}
    void warning(const std::string& text, const std::string& title) override { add("warning", text, title); }
    void information(const std::string& text, const std::string& title) override { add("info", text, title); }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        return add("question", text, title), answer;
    }
    std::vector<std::string> shown;
    bool answer = true;

private:
    void add(const std::string& kind, const std::string& text, const std::string& title)
    {
        shown.push_back(kind + "|" + title + "|" + text);
        journal_.push_back(shown.back());
    }
    Journal& journal_;
};

// Either window, named by its kind and number so a test sees whether it was reused; none can be
// made while `broken` is set.
class FakeWindows : public AddinWindows {
public:
    class Form : public WizardFormHandle, public QuickSyncFormHandle {
    public:
        Form(Journal& journal, std::string name) : journal_(journal), name_(std::move(name)) {}
        WizardOptions options() const override { return note(" options"), options_; }
        void applyOptions(const WizardOptions& options) override
        {
            note(" apply syncType=" + std::to_string(options.syncType));
            options_ = options;
        }
        void setTabOrder(const std::vector<std::string>& controls) override
        {
            std::string text = " tabOrder";
            for (const std::string& control : controls)
                text += " " + control;
            note(text);
        }
        void hideLabel(const std::string& name) override { note(" hide " + name); }
        void showModal() override { note(" show"); }
        WizardOptions options_;

    private:
        void note(const std::string& what) const { journal_.push_back(name_ + what); }
        Journal& journal_;
        std::string name_;
    };

    explicit FakeWindows(Journal& journal) : journal_(journal) {}
    std::unique_ptr<WizardFormHandle> createWizard() override { return make("wizard", ++wizards); }
    std::unique_ptr<QuickSyncFormHandle> createQuickSync() override { return make("quick", ++quickForms); }
    int wizards = 0, quickForms = 0;
    bool broken = false;

private:
    std::unique_ptr<Form> make(const std::string& kind, int number)
    {
        journal_.push_back("create " + kind + std::to_string(number));
        if (broken)
            throw HostError("kein Fenster");
        return std::make_unique<Form>(journal_, kind + std::to_string(number));
    }
    Journal& journal_;
};

// The whole world of one test: a host with command bars and a plan, the registry, the windows.
struct AddinWorld : HostApplication {
    CommandBars* commandBars() override { return barsGone ? nullptr : &bars; }
    ProjectApplication* projectApplication() override { return planAppGone ? nullptr : &host; }

    // A new add-in object over this world, connected as at a host's start or as `mode` says.
    std::unique_ptr<Connect> connect(ConnectMode mode = ConnectMode::Startup)
    {
        auto addin = std::make_unique<Connect>(ConnectServices{registry, messages, windows, clock});
        addin->OnConnection(*this, mode, addInInst, custom);
        return addin;
    }

    // Opens a plan with `tasks` tasks and the text "Notiz", saved as if just read from its file.
    MemoryProject& openPlan(int tasks)
    {
        auto project = std::make_unique<MemoryProject>("Umzug", makeDateTime(2024, 3, 11, 8));
        for (int i = 0; i < tasks; ++i)
            project->addTask();
        project->setText("Notiz");
        project->markSaved();
        host.inner.open(std::move(project));
        return *host.inner.project();
    }

    long count(const std::string& entry) const { return std::count(journal.begin(), journal.end(), entry); }

    Journal journal;
    bool barsGone = false, planAppGone = false;
    CommandBarModel bars;
    JournalHost host{journal};
    MemoryRegistry registry;
    JournalMessages messages{journal};
    FakeWindows windows{journal};
    FixedClock clock{makeDateTime(2024, 3, 11, 9, 30)};
    AddInInstance addInInst{"Zelvant.Connect"};
    CustomArguments custom;
};

} // namespace zelvant::testing
