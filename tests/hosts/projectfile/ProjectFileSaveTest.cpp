#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

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

TEST_F(ProjectFileSave, UnchangedPlansComeBackUnchanged)
{
    for (const char* sample :
         {"calendar-calendars-project2019-mspdi.xml", "caltest.xml", "mspdinulltasks.xml",
          "mspdisplittask.xml", "sample.xml", "task-text-project2019-mspdi.xml"}) {
        auto file = open(sample);
        file->application().fileSave();
        EXPECT_TRUE(file->project().saved()) << sample;
        EXPECT_EQ(changes(), std::set<std::string>{}) << sample;
        EXPECT_EQ(readText(path.string() + ".bak"), readText(sampleFile(sample))) << sample;
    }
}

TEST_F(ProjectFileSave, RenamingATaskChangesOnlyItsName)
{
    auto file = open("sample.xml");
    file->project().taskById(9).setName("Fundament gießen");
    EXPECT_FALSE(file->project().saved());
    file->application().fileSave();

    EXPECT_TRUE(file->project().saved());
    EXPECT_EQ(changes(), std::set<std::string>{"Project/Tasks[1]/Task{10}/Name[1]"});
    EXPECT_EQ(ProjectFile::load(path)->project().taskById(9).name(), "Fundament gießen");
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

TEST_F(ProjectFileSave, Text29IsDefinedOnceWhenFirstUsed)
{
    auto file = open("mspdisplittask.xml");
    file->project().taskById(1).setField(kText29, "000L0042");
    file->project().taskById(2).setField(kText29, "000L0043");
    file->save();

    EXPECT_EQ(changes(), (std::set<std::string>{
                             "Project/ExtendedAttributes[1]",
                             "Project/ExtendedAttributes[1]/ExtendedAttribute[1]/FieldID[1]",
                             "Project/ExtendedAttributes[1]/ExtendedAttribute[1]/FieldName[1]",
                             "Project/Tasks[1]/Task{1}/ExtendedAttribute[1]/FieldID[1]",
                             "Project/Tasks[1]/Task{1}/ExtendedAttribute[1]/Value[1]",
                             "Project/Tasks[1]/Task{2}/ExtendedAttribute[1]/FieldID[1]",
                             "Project/Tasks[1]/Task{2}/ExtendedAttribute[1]/Value[1]",
                         }));
    const auto after = leavesOf(path);
    EXPECT_EQ(after.at("Project/ExtendedAttributes[1]/ExtendedAttribute[1]/FieldID[1]"), "188744015");
    EXPECT_EQ(after.at("Project/ExtendedAttributes[1]/ExtendedAttribute[1]/FieldName[1]"), "Text29");
    auto reloaded = ProjectFile::load(path);
    EXPECT_EQ(reloaded->project().taskById(2).getField(kText29), "000L0043");
    // Loaded again and changed once more: still one definition.
    reloaded->project().taskById(1).setField(kText29, "000L0044");
    reloaded->save();
    EXPECT_FALSE(leavesOf(path).count("Project/ExtendedAttributes[1]/ExtendedAttribute[2]/FieldID[1]"));
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

TEST_F(ProjectFileSave, ANewTaskDoesNotTakeTheUidOfABlankRow)
{
    path = dir.path() / "plan.xml";
    writeText(path, "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks>"
                    "<Task><UID>1</UID><ID>1</ID><Name>Eins</Name></Task>"
                    "<Task><UID>2</UID><ID>2</ID><IsNull>1</IsNull></Task></Tasks></Project>");
    auto file = ProjectFile::load(path);
    file->project().addTask().setName("Drei");
    file->project().addTask().setName("Vier");
    file->save();

    auto reloaded = ProjectFile::load(path);
    EXPECT_EQ(reloaded->project().rowCount(), 4);
    EXPECT_THROW(reloaded->project().taskById(2), HostError);
    EXPECT_EQ(reloaded->project().taskById(3).name(), "Drei");
    EXPECT_EQ(reloaded->project().taskById(4).name(), "Vier");
    EXPECT_EQ(reloaded->project().taskById(3).uniqueId(), 3);
    EXPECT_EQ(reloaded->project().taskById(4).uniqueId(), 4);
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
