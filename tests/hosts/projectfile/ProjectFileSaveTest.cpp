#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace zelvant {
namespace {

using namespace zelvant::testing;

constexpr int kText29 = 188744015;

class ProjectFileSave : public ::testing::Test {
protected:
    void TearDown() override { FileStore::setStepHookForTesting(nullptr); }

    // Loads a fresh copy of a sample and remembers its leaves as they were.
    std::unique_ptr<ProjectFile> open(const std::string& sample)
    {
        path = dir.copyOf(sampleFile(sample));
        before = leavesOf(path);
        return ProjectFile::load(path);
    }

    // The paths that differ between the file as copied and as it is now.
    std::set<std::string> changes() const { return changedPaths(before, leavesOf(path)); }

    // True when every changed path lies below one of `places`.
    static bool within(const std::set<std::string>& changed, const std::vector<std::string>& places)
    {
        for (const std::string& path : changed) {
            bool inside = false;
            for (const std::string& place : places)
                inside = inside || path.rfind(place, 0) == 0;
            if (!inside)
                return false;
        }
        return true;
    }

    TempDir dir;
    fs::path path;
    std::map<std::string, std::string> before;
};

// Where the elements of a plan file lie, by line: tasks and assignments by UID.
class PlanLines {
public:
    explicit PlanLines(std::string text) : text_(std::move(text))
    {
        EXPECT_TRUE(document_.load_buffer(text_.data(), text_.size(), pugi::parse_default));
    }

    std::pair<int, int> task(int uid) const { return of(find("Tasks", "Task", "UID", uid)); }
    std::vector<std::pair<int, int>> assignmentsOf(int taskUid) const
    {
        std::vector<std::pair<int, int>> lines;
        for (pugi::xml_node node : root().child("Assignments").children("Assignment"))
            if (node.child("TaskUID").text().as_int() == taskUid)
                lines.push_back(of(node));
        return lines;
    }
    // The lines of a child of the project; (-1, -1) when there is none.
    std::pair<int, int> element(const char* name) const { return of(root().child(name)); }

private:
    pugi::xml_node root() const { return document_.document_element(); }
    pugi::xml_node find(const char* list, const char* item, const char* key, int value) const
    {
        for (pugi::xml_node node : root().child(list).children(item))
            if (node.child(key).text().as_int() == value)
                return node;
        ADD_FAILURE() << item << " " << value << " not found";
        return {};
    }
    std::pair<int, int> of(pugi::xml_node node) const
    {
        return node ? linesOfElement(text_, std::size_t(node.offset_debug() - 1)) : std::pair{-1, -1};
    }

    std::string text_;
    pugi::xml_document document_;
};

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
        const fs::path backup = path.string() + ".bak";
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
        EXPECT_FALSE(fs::exists(backup));

        // A real change keeps the previous version; saves after it without one keep that backup.
        if (file->project().taskCount() == 0)
            continue;
        file->project().tasks().front()->setField(kText29, "000L0001");
        file->save();
        EXPECT_TRUE(readText(backup) == readText(sampleFile(sample)));
        fs::last_write_time(path, kLongAgo);
        file->save();
        auto reloaded = ProjectFile::load(path);
        reloaded->save();
        EXPECT_EQ(fs::last_write_time(path), kLongAgo);
        EXPECT_TRUE(readText(backup) == readText(sampleFile(sample)));
    }
}

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
        const PlanLines lines(original);
        file->project().taskByUniqueId(c.first)->setField(
            kText29, "001L000000000000000000001202701180800202701221700Kisten packen");
        file->save();

        const std::string linked = readText(path);
        EXPECT_TRUE(touchesOnly(diffLines(original, linked),
                                {lines.task(c.first), lines.element("ExtendedAttributes")}));
        EXPECT_EQ(crlfOnly(linked), crlfOnly(original));

        // Read back and linked once more: that task's lines only, the definition is there already.
        auto reloaded = ProjectFile::load(path);
        EXPECT_EQ(reloaded->project().taskByUniqueId(c.first)->getField(kText29).substr(0, 4), "001L");
        fs::last_write_time(path, kLongAgo);
        reloaded->save();
        EXPECT_EQ(fs::last_write_time(path), kLongAgo);
        reloaded->project().taskByUniqueId(c.second)->setField(
            kText29, "001L000000000000000000002202701270800202701271700Umzugstag");
        reloaded->save();
        EXPECT_TRUE(touchesOnly(diffLines(linked, readText(path)), {PlanLines(linked).task(c.second)}));
    }
}

// Random runs on the samples: renames, moves, fields and splits of random tasks. A save writes only
// the lines of the tasks the run changed (a summary follows its subtasks), their assignments and
// the field definitions, and the file reads back as the run left the plan.
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

            const PlanLines lines(original);
            std::vector<std::pair<int, int>> allowed{lines.element("ExtendedAttributes")};
            // A task that had no assignment gets one at the end of the list.
            const auto assignments = lines.element("Assignments");
            allowed.emplace_back(assignments.second - 1, assignments.second);
            for (Task* task : tasks) {
                if (stateOf(*task) == states.at(task->uniqueId()))
                    continue;
                allowed.push_back(lines.task(task->uniqueId()));
                for (const auto& assignment : lines.assignmentsOf(task->uniqueId()))
                    allowed.push_back(assignment);
            }
            const std::string written = readText(path);
            EXPECT_TRUE(touchesOnly(diffLines(original, written), allowed));
            EXPECT_EQ(crlfOnly(written), crlfOnly(original));
            auto reloaded = ProjectFile::load(path);
            for (Task* task : tasks)
                EXPECT_EQ(stateOf(*reloaded->project().taskByUniqueId(task->uniqueId())), stateOf(*task))
                    << task->name();
        }
    }
}

TEST_F(ProjectFileSave, APlanInAnotherEncodingIsWrittenAsUtf8OnlyWhenChanged)
{
    path = dir.path() / "plan.xml";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                               "<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
                               "<Tasks><Task><UID>1</UID><ID>1</ID><Name>Gr\xF6\xDF"
                               "e</Name></Task></Tasks>\n"
                               "</Project>\n";
    writeText(path, latin1);
    auto file = ProjectFile::load(path);
    EXPECT_EQ(file->project().taskById(1).name(), "Gr\u00F6\u00DFe");
    file->save();
    EXPECT_EQ(readText(path), latin1);

    file->project().taskById(1).setField(kText29, "000L0001");
    file->save();
    const std::string written = readText(path);
    EXPECT_NE(written.find("encoding=\"UTF-8\""), std::string::npos);
    EXPECT_NE(written.find("Gr\u00F6\u00DFe"), std::string::npos);
    EXPECT_EQ(ProjectFile::load(path)->project().taskById(1).getField(kText29), "000L0001");
}

TEST_F(ProjectFileSave, AnAddedSplitIsWrittenAsContouredWorkAndReadsBack)
{
    auto file = open("caltest.xml");
    Task& task = file->project().taskById(1); // Monday 2005-11-14, one day
    task.addSplitPart(makeDateTime(2005, 11, 16, 8), makeDateTime(2005, 11, 16, 12));
    file->save();

    const auto changed = changes();
    EXPECT_TRUE(within(changed, {"Project/Tasks[1]/Task{2}/", "Project/Assignments[1]/Assignment{2}/"}));
    EXPECT_TRUE(changed.count("Project/Tasks[1]/Task{2}/Duration[1]"));
    const auto after = leavesOf(path);
    EXPECT_EQ(after.at("Project/Assignments[1]/Assignment{2}/WorkContour[1]"), "8");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{2}/Finish[1]"), "2005-11-16T12:00:00");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{2}/Duration[1]"), "PT12H0M0S");

    auto reloaded = ProjectFile::load(path);
    Task& split = reloaded->project().taskById(1);
    ASSERT_EQ(split.splitPartCount(), 2);
    EXPECT_EQ(split.splitPart(1), (SplitPart{makeDateTime(2005, 11, 14, 8), makeDateTime(2005, 11, 14, 17)}));
    EXPECT_EQ(split.splitPart(2), (SplitPart{makeDateTime(2005, 11, 16, 8), makeDateTime(2005, 11, 16, 12)}));
    EXPECT_EQ(reloaded->project().taskById(2).splitPartCount(), 1);
}

TEST_F(ProjectFileSave, RemovingASplitPartRewritesTheTimephasedWork)
{
    auto file = open("mspdisplittask.xml");
    file->project().taskById(2).deleteSplitPart(2);
    file->save();

    EXPECT_TRUE(within(changes(), {"Project/Tasks[1]/Task{2}/", "Project/Assignments[1]/Assignment{2}/"}));
    auto reloaded = ProjectFile::load(path);
    Task& task = reloaded->project().taskById(2);
    ASSERT_EQ(task.splitPartCount(), 2);
    EXPECT_EQ(task.splitPart(2), (SplitPart{makeDateTime(2006, 10, 10, 8), makeDateTime(2006, 10, 18, 17)}));
    EXPECT_EQ(task.duration(), Minutes{80 * 60});
    EXPECT_EQ(reloaded->project().taskById(1).splitPartCount(), 2);
}

TEST_F(ProjectFileSave, FieldValuesChangeInPlaceAndVanishWhenEmptied)
{
    auto file = open("task-text-project2019-mspdi.xml");
    file->project().taskById(1).setField(kText29, "neu");
    file->project().taskById(29).setField(kText29, "");
    file->project().taskById(28).setField(188744014, "achtundzwanzig");
    file->save();

    EXPECT_EQ(changes(), (std::set<std::string>{
                             "Project/Tasks[1]/Task{1}/ExtendedAttribute[2]/FieldID[1]",
                             "Project/Tasks[1]/Task{1}/ExtendedAttribute[2]/Value[1]",
                             "Project/Tasks[1]/Task{28}/ExtendedAttribute[1]/Value[1]",
                             "Project/Tasks[1]/Task{29}/ExtendedAttribute[1]/FieldID[1]",
                             "Project/Tasks[1]/Task{29}/ExtendedAttribute[1]/Value[1]",
                         }));
    auto reloaded = ProjectFile::load(path);
    EXPECT_EQ(reloaded->project().taskById(1).getField(kText29), "neu");
    EXPECT_EQ(reloaded->project().taskById(1).getField(188743731), "1"); // Text1 kept beside it
    EXPECT_EQ(reloaded->project().taskById(29).getField(kText29), "");
}

TEST_F(ProjectFileSave, MovingATaskWritesItsScheduleAndConstraint)
{
    auto file = open("sample.xml");
    file->project().taskById(9).setStart(makeDateTime(2003, 1, 13, 8)); // UID 10, a Monday
    file->save();

    const auto after = leavesOf(path);
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{10}/Start[1]"), "2003-01-13T08:00:00");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{10}/Finish[1]"), "2003-01-13T17:00:00");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{10}/ConstraintType[1]"), "2");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{10}/ConstraintDate[1]"), "2003-01-13T08:00:00");
    // The summary above it follows its latest subtask.
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{19}/Finish[1]"), "2003-01-13T17:00:00");
    EXPECT_TRUE(within(changes(), {"Project/Tasks[1]/Task{10}/", "Project/Tasks[1]/Task{19}/",
                                   "Project/Assignments[1]/Assignment{7}/"}));

    // The date went in where the plan expects it: after CalendarUID, before the next known element.
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(path.c_str()));
    pugi::xml_node task;
    for (pugi::xml_node row : document.child("Project").child("Tasks").children("Task"))
        if (std::string(row.child_value("UID")) == "10")
            task = row;
    ASSERT_TRUE(task);
    EXPECT_STREQ(task.child("ConstraintDate").previous_sibling().name(), "CalendarUID");
}

TEST_F(ProjectFileSave, NewTasksTakeTheNextFreeUidAndRow)
{
    auto file = open("mspdinulltasks.xml");
    Task& added = file->project().addTask();
    added.setName("Abnahme");
    added.setField(kText29, "000L0001");
    file->save();

    const auto after = leavesOf(path);
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{9}/ID[1]"), "9");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{9}/Name[1]"), "Abnahme");
    // The third top-level row: after "Task 1" and "Task 4", whose subtasks do not count.
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{9}/OutlineNumber[1]"), "3");
    EXPECT_EQ(after.at("Project/Tasks[1]/Task{9}/WBS[1]"), "3");
    EXPECT_EQ(after.at("Project/Assignments[1]/Assignment{6}/TaskUID[1]"), "9");
    EXPECT_EQ(after.at("Project/Assignments[1]/Assignment{6}/ResourceUID[1]"), "-65535");
    auto reloaded = ProjectFile::load(path);
    Task& task = reloaded->project().taskById(9);
    EXPECT_EQ(task.uniqueId(), 9);
    EXPECT_EQ(task.name(), "Abnahme");
    EXPECT_EQ(task.duration(), Minutes{450});
    EXPECT_EQ(task.getField(kText29), "000L0001");
    EXPECT_EQ(reloaded->project().taskCount(), 6);
}

TEST_F(ProjectFileSave, NewTasksAndAssignmentsTakeFreeNumbersThatFit)
{
    constexpr const char* kHead = "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks>";
    struct Numbers {
        int uid;
        int id;
        int assignment;
        bool operator==(const Numbers&) const = default;
    };
    struct Case {
        const char* rule;
        std::string plan;
        Numbers first; // of the two tasks added
        Numbers second;
    };
    const Case cases[] = {
        {"after the highest, past a blank row's",
         std::string(kHead) +
             "<Task><UID>1</UID><ID>1</ID></Task><Task><UID>2</UID><ID>2</ID><IsNull>1</IsNull>"
             "</Task></Tasks></Project>",
         {3, 3, 1},
         {4, 4, 2}},
        {"the highest task UID fills the 32 bits",
         std::string(kHead) + "<Task><UID>2147483647</UID><ID>1</ID></Task></Tasks></Project>",
         {1, 2, 1},
         {2, 3, 2}},
        {"a blank row holds the highest UID",
         std::string(kHead) + "<Task><UID>1</UID><ID>1</ID></Task><Task><UID>2147483647</UID><ID>2</ID>"
                              "<IsNull>1</IsNull></Task></Tasks></Project>",
         {2, 3, 1},
         {3, 4, 2}},
        {"the highest row number fills the 32 bits",
         std::string(kHead) + "<Task><UID>1</UID><ID>2147483647</ID></Task></Tasks></Project>",
         {2, 1, 1},
         {3, 2, 2}},
        {"the highest assignment UID fills the 32 bits",
         std::string(kHead) + "<Task><UID>1</UID><ID>1</ID></Task></Tasks><Assignments><Assignment>"
                              "<UID>2147483647</UID><TaskUID>1</TaskUID></Assignment><Assignment><UID>1</UID>"
                              "<TaskUID>1</TaskUID></Assignment></Assignments></Project>",
         {2, 2, 2},
         {3, 3, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        path = dir.path() / "plan.xml";
        writeText(path, c.plan);
        auto file = ProjectFile::load(path);
        file->project().addTask().setName("Neu 1");
        file->save();
        file->project().addTask().setName("Neu 2");
        file->save();

        pugi::xml_document written;
        ASSERT_TRUE(written.load_file(path.c_str()));
        auto numbersOf = [&written](const char* name) {
            const pugi::xml_node project = written.document_element();
            for (pugi::xml_node row : project.child("Tasks").children("Task"))
                if (std::string(row.child_value("Name")) == name) {
                    Numbers numbers{row.child("UID").text().as_int(), row.child("ID").text().as_int(), 0};
                    for (pugi::xml_node assignment : project.child("Assignments").children("Assignment"))
                        if (assignment.child("TaskUID").text().as_int() == numbers.uid)
                            numbers.assignment = assignment.child("UID").text().as_int();
                    return numbers;
                }
            return Numbers{};
        };
        EXPECT_EQ(numbersOf("Neu 1"), c.first) << readText(path);
        EXPECT_EQ(numbersOf("Neu 2"), c.second) << readText(path);
        auto reloaded = ProjectFile::load(path);
        EXPECT_EQ(reloaded->project().taskByUniqueId(c.second.uid)->name(), "Neu 2");
    }
}

TEST_F(ProjectFileSave, AProjectWithoutAFileCannotBeSaved)
{
    MemoryProjectApplication application(std::make_unique<MemoryProject>("Neu", makeDateTime(2024, 3, 4, 8)));
    ProjectFile::refuseSavingWithoutFile(application);
    application.activeProject().addTask();
    EXPECT_THROW(application.fileSave(), HostError);
    EXPECT_FALSE(application.activeProject().saved());
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
        EXPECT_TRUE(name == "Split Task 1" || name == "Umbenannt") << name;
        EXPECT_EQ(name == "Umbenannt", step == SaveStep::Done);
        for (const std::string& left : dir.names())
            EXPECT_EQ(left.find(".tmp"), std::string::npos) << left;
    }
}

TEST_F(ProjectFileSave, AFileChangedMeanwhileIsNotOverwritten)
{
    auto file = open("caltest.xml");
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

TEST_F(ProjectFileSave, LaterSavesStillNoticeChangesMadeMeanwhile)
{
    auto file = open("mspdinulltasks.xml");
    file->project().taskById(1).setName("Erste Fassung");
    file->save();
    file->project().taskById(1).setName("Zweite Fassung");
    file->save(); // the file is still as this run wrote it
    EXPECT_EQ(ProjectFile::load(path)->project().taskById(1).name(), "Zweite Fassung");

    writeText(path, readText(path) + "<!-- von Hand -->\n");
    file->project().taskById(1).setName("Dritte Fassung");
    EXPECT_THROW(file->save(), FileConflictError);
    EXPECT_EQ(ProjectFile::load(path)->project().taskById(1).name(), "Zweite Fassung");
}

} // namespace
} // namespace zelvant
