#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <tuple>

namespace zelvant {
namespace {

using namespace zelvant::testing;

constexpr int kText29 = 188744015;

class ProjectFileSave : public ::testing::Test {
protected:
    void TearDown() override { FileStore::setStepHookForTesting(nullptr); }

    // Loads a fresh copy of a sample.
    std::unique_ptr<ProjectFile> open(const std::string& sample)
    {
        path = dir.copyOf(sampleFile(sample));
        return ProjectFile::load(path);
    }

    TempDir dir;
    fs::path path;
};

// True when `before` and `after` differ only inside (or by) the elements `pick` chooses.
bool sameBut(const std::string& before, const std::string& after,
             const std::function<bool(pugi::xml_node)>& pick)
{
    return withoutElements(before, pick) == withoutElements(after, pick);
}

// Whether `node` is a task (or an assignment, by its TaskUID) that `uids` holds.
bool isTask(pugi::xml_node node, const std::set<int>& uids, const char* kind = "Task",
            const char* key = "UID")
{
    return node.name() == std::string(kind) && uids.count(node.child(key).text().as_int());
}

// True when a text's line ends are all CRLF (or all LF).
bool crlfOnly(const std::string& text)
{
    return std::count(text.begin(), text.end(), '\r') == std::count(text.begin(), text.end(), '\n');
}

// A time no save of this run can give a file.
const fs::file_time_type kLongAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);

TEST_F(ProjectFileSave, ASaveWithoutAChangeWritesNothing)
{
    for (const std::string& sample : allSamples()) {
        SCOPED_TRACE(sample);
        auto file = open(sample);
        fs::last_write_time(path, kLongAgo);
        // Nothing changed; values set to what they were; a task renamed and named back.
        file->application().fileSave();
        for (Task* task : file->project().tasks()) {
            task->setName(task->name());
            task->setField(kText29, task->getField(kText29));
        }
        file->save();
        if (file->project().taskCount() > 0) {
            Task& first = *file->project().tasks().front();
            const std::string name = first.name();
            first.setName("Zwischendurch");
            first.setName(name);
        }
        file->save();
        EXPECT_TRUE(file->project().saved());
        EXPECT_TRUE(readText(path) == readText(sampleFile(sample)));
        EXPECT_EQ(fs::last_write_time(path), kLongAgo);
        EXPECT_FALSE(fs::exists(path.string() + ".bak"));
    }
}

// A link written into a plan touches that task's lines and, once, the field's definition; the
// previous version stays as the backup, and a second save without a change writes nothing.
TEST_F(ProjectFileSave, LinkingATaskChangesOnlyItsLinesAndTheFieldDefinitionOnce)
{
    struct Case {
        const char* sample;
        int first; // unique IDs of two tasks linked one after the other
        int second;
    };
    for (const Case& c :
         {Case{"Umzug.xml", 7, 10}, Case{"mspdisplittask.xml", 1, 2}, Case{"mspdinulltasks.xml", 3, 8},
          Case{"task-text-project2019-mspdi.xml", 1, 28}, Case{"sample.xml", 7, 9}}) {
        SCOPED_TRACE(c.sample);
        auto file = open(c.sample);
        const std::string original = readText(path);
        const std::string value = "001L000000000000000000001202701180800202701221700Kisten packen";
        file->project().taskByUniqueId(c.first)->setField(kText29, value);
        file->save();

        const std::string linked = readText(path);
        EXPECT_TRUE(sameBut(original, linked, [&c](pugi::xml_node node) {
            return node.name() == std::string("ExtendedAttributes") || isTask(node, {c.first});
        }));
        EXPECT_EQ(crlfOnly(linked), crlfOnly(original));
        EXPECT_TRUE(readText(path.string() + ".bak") == original);

        auto reloaded = ProjectFile::load(path);
        EXPECT_EQ(reloaded->project().taskByUniqueId(c.first)->getField(kText29), value);
        fs::last_write_time(path, kLongAgo);
        reloaded->save();
        EXPECT_EQ(fs::last_write_time(path), kLongAgo);
        reloaded->project().taskByUniqueId(c.second)->setField(kText29, "001L0002");
        reloaded->save();
        EXPECT_TRUE(
            sameBut(linked, readText(path), [&c](pugi::xml_node node) { return isTask(node, {c.second}); }));
    }
}

// Random runs on the samples: renames, moves, fields and splits of random tasks. A save writes only
// the tasks the run changed (a summary follows its subtasks), their assignments and the field
// definitions, and the file reads back as the run left the plan.
TEST_F(ProjectFileSave, RandomRunsWriteTheirTasksAndNothingElse)
{
    std::mt19937 random(1508);
    auto stateOf = [](Task& task) {
        return std::tuple(task.name(), task.start(), task.finish(), task.duration(), task.getField(kText29),
                          task.splitPartCount());
    };
    for (const std::string& sample : allSamples()) {
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(sample + ", round " + std::to_string(round));
            auto file = open(sample);
            MemoryProject& project = file->project();
            const std::vector<Task*> tasks = project.tasks();
            if (tasks.empty())
                continue;
            const std::string original = readText(path);
            std::map<int, decltype(stateOf(*tasks[0]))> states;
            for (Task* task : tasks)
                states.emplace(task->uniqueId(), stateOf(*task));
            for (int step = 0; step < 3; ++step) {
                Task& task = *tasks[random() % tasks.size()];
                const bool summary = project.hasSubtasks(project.taskById(task.id()));
                switch (random() % 4) {
                case 0:
                    task.setName(task.name() + " & <neu>");
                    break;
                case 1:
                    if (!summary)
                        task.setStart(task.start() + std::chrono::days(1 + random() % 10));
                    break;
                case 2:
                    task.setField(kText29, "000L" + std::to_string(random()));
                    break;
                default:
                    try {
                        if (!summary && task.duration() > Minutes{0})
                            task.addSplitPart(task.finish() + std::chrono::days(7),
                                              task.finish() + std::chrono::days(7) + std::chrono::hours(2));
                    } catch (const HostError&) {
                        // No working time there: the plan refuses such a part, and so does the model.
                    }
                }
            }
            file->save();

            std::set<int> changed;
            for (Task* task : tasks)
                if (stateOf(*task) != states.at(task->uniqueId()))
                    changed.insert(task->uniqueId());
            const std::string written = readText(path);
            EXPECT_TRUE(sameBut(original, written, [&changed](pugi::xml_node node) {
                return node.name() == std::string("ExtendedAttributes") || isTask(node, changed) ||
                       isTask(node, changed, "Assignment", "TaskUID");
            }));
            EXPECT_EQ(crlfOnly(written), crlfOnly(original));
            auto reloaded = ProjectFile::load(path);
            for (Task* task : tasks)
                EXPECT_EQ(stateOf(*reloaded->project().taskByUniqueId(task->uniqueId())), stateOf(*task))
                    << task->name();
        }
    }
}

// The numbers a plan file gives the task called `name`: UID, row, assignment UID.
std::tuple<int, int, int> numbersOf(const fs::path& file, const std::string& name)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(file.c_str()));
    std::tuple<int, int, int> numbers;
    for (pugi::xml_node row : document.document_element().child("Tasks").children("Task"))
        if (name == row.child_value("Name"))
            numbers = {row.child("UID").text().as_int(), row.child("ID").text().as_int(), 0};
    for (pugi::xml_node assignment : document.document_element().child("Assignments").children("Assignment"))
        if (assignment.child("TaskUID").text().as_int() == std::get<0>(numbers))
            std::get<2>(numbers) = assignment.child("UID").text().as_int();
    return numbers;
}

TEST_F(ProjectFileSave, NewTasksTakeTheNextRowAndFreeNumbersThatFit)
{
    auto file = open("mspdinulltasks.xml");
    Task& added = file->project().addTask();
    added.setName("Abnahme");
    added.setField(kText29, "000L0001");
    file->save();
    EXPECT_EQ(numbersOf(path, "Abnahme"), std::tuple(9, 9, 6));
    // The third top-level row: after "Task 1" and "Task 4", whose subtasks do not count.
    EXPECT_NE(readText(path).find("<OutlineNumber>3</OutlineNumber>"), std::string::npos);
    auto reloaded = ProjectFile::load(path);
    Task& task = reloaded->project().taskById(9);
    EXPECT_EQ(task.duration(), Minutes{450});
    EXPECT_EQ(task.getField(kText29), "000L0001");

    // A plan whose numbers fill 32 bits: the lowest free ones are taken instead.
    path = dir.path() / "plan.xml";
    writeText(path,
              "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks><Task><UID>2147483647</UID>"
              "<ID>1</ID></Task></Tasks><Assignments><Assignment><UID>2147483647</UID><TaskUID>2147483647"
              "</TaskUID></Assignment></Assignments></Project>");
    auto full = ProjectFile::load(path);
    full->project().addTask().setName("Neu");
    full->save();
    EXPECT_EQ(numbersOf(path, "Neu"), std::tuple(1, 2, 1));
}

TEST_F(ProjectFileSave, ASaveInterruptedAtAnyStepLeavesAReadablePlan)
{
    for (const SaveStep step : {SaveStep::WriteTemporary, SaveStep::FlushTemporary, SaveStep::KeepBackup,
                                SaveStep::RenameOver, SaveStep::Done}) {
        auto file = open("mspdisplittask.xml");
        file->project().taskById(1).setName("Umbenannt");
        FileStore::setStepHookForTesting([step](SaveStep reached) {
            if (reached == step)
                throw std::runtime_error("Absturz");
        });
        EXPECT_THROW(file->save(), std::runtime_error);
        FileStore::setStepHookForTesting(nullptr);
        EXPECT_FALSE(file->project().saved());
        const std::string name = ProjectFile::load(path)->project().taskById(1).name();
        EXPECT_EQ(name, step == SaveStep::Done ? "Umbenannt" : "Split Task 1");
    }
}

TEST_F(ProjectFileSave, AFileChangedMeanwhileIsNotOverwrittenNotEvenAfterOurOwnSaves)
{
    auto file = open("caltest.xml");
    file->project().taskById(1).setName("Erste Fassung");
    file->save();
    file->project().taskById(1).setName("Unsere Fassung");
    const std::string theirs = readText(path) + "<!-- von Hand geändert -->\n";
    writeText(path, theirs);
    try {
        file->application().fileSave();
        FAIL() << "overwrote a file changed on disk";
    } catch (const FileConflictError& error) {
        EXPECT_EQ(error.conflictPath(), fs::path(path.string() + ".zelvant-conflict"));
        EXPECT_NE(std::string(error.what()).find("caltest.xml"), std::string::npos);
    }
    EXPECT_FALSE(file->project().saved());
    EXPECT_EQ(readText(path), theirs);
    auto ours = ProjectFile::load(path.string() + ".zelvant-conflict");
    EXPECT_EQ(ours->project().taskById(1).name(), "Unsere Fassung");
}

} // namespace
} // namespace zelvant
