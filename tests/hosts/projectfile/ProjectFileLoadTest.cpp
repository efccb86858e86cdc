#include "hosts/projectfile/ProjectFile.h"
#include "hosts/projectfile/ProjectFileError.h"
#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

constexpr int kText28 = 188744014;
constexpr int kText29 = 188744015;

class ProjectFileLoad : public ::testing::Test {
protected:
    static std::unique_ptr<ProjectFile> load(const std::string& sample)
    {
        return ProjectFile::load(sampleFile(sample));
    }

    static std::vector<int> ids(Project& project)
    {
        std::vector<int> result;
        for (Task* task : project.tasks())
            result.push_back(task->id());
        return result;
    }

    // Loading `content` fails with a ProjectFileError at `line` whose message says `problem`;
    // the folder holds nothing but the file afterwards.
    void expectRejected(const std::string& content, int line, const std::string& problem)
    {
        const fs::path file = dir.path() / "plan.xml";
        writeText(file, content);
        try {
            ProjectFile::load(file);
            ADD_FAILURE() << "accepted: " << content;
        } catch (const ProjectFileError& error) {
            EXPECT_EQ(error.line(), line) << error.what();
            EXPECT_NE(std::string(error.what()).find("plan.xml"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
        }
        EXPECT_EQ(dir.names(), std::set<std::string>{"plan.xml"});
        EXPECT_EQ(readText(file), content);
    }

    TempDir dir;
};

TEST_F(ProjectFileLoad, SplitTasksReadAsTwoAndThreeParts)
{
    auto file = load("mspdisplittask.xml");
    Project& project = file->project();
    ASSERT_EQ(project.taskCount(), 2);

    Task& first = project.taskById(1);
    ASSERT_EQ(first.splitPartCount(), 2);
    EXPECT_EQ(first.splitPart(1), (SplitPart{makeDateTime(2006, 9, 21, 8), makeDateTime(2006, 9, 26, 17)}));
    EXPECT_EQ(first.splitPart(2), (SplitPart{makeDateTime(2006, 10, 2, 8), makeDateTime(2006, 10, 9, 17)}));
    EXPECT_EQ(first.duration(), Minutes{80 * 60});

    Task& second = project.taskById(2);
    ASSERT_EQ(second.splitPartCount(), 3);
    EXPECT_EQ(second.splitPart(1), (SplitPart{makeDateTime(2006, 9, 21, 8), makeDateTime(2006, 9, 25, 17)}));
    EXPECT_EQ(second.splitPart(2), (SplitPart{makeDateTime(2006, 9, 28, 8), makeDateTime(2006, 10, 4, 17)}));
    EXPECT_EQ(second.splitPart(3),
              (SplitPart{makeDateTime(2006, 10, 10, 8), makeDateTime(2006, 10, 18, 17)}));
    EXPECT_EQ(second.duration(), Minutes{120 * 60});
    EXPECT_EQ(second.finish(), makeDateTime(2006, 10, 18, 17));
}

TEST_F(ProjectFileLoad, CustomFieldsAreReadByFieldId)
{
    auto file = load("task-text-project2019-mspdi.xml");
    Project& project = file->project();
    ASSERT_EQ(project.taskCount(), 30);
    Task& text29 = project.taskById(29);
    EXPECT_EQ(text29.uniqueId(), 29);
    EXPECT_EQ(text29.getField(kText29), "29");
    EXPECT_EQ(project.taskById(28).getField(kText28), "28");
    EXPECT_EQ(project.taskById(28).getField(kText29), "");
}

TEST_F(ProjectFileLoad, TaskCalendarsAreNamedOrOhne)
{
    auto file = load("caltest.xml");
    Project& project = file->project();
    ASSERT_EQ(project.taskCount(), 3);
    EXPECT_EQ(project.taskById(1).calendarName(), kNoTaskCalendar);
    EXPECT_EQ(project.taskById(2).calendarName(), "Standard");
    EXPECT_EQ(project.taskById(3).calendarName(), "Base Calendar");
    EXPECT_EQ(project.baseCalendar(), "Standard");
    EXPECT_EQ(file->application().dateDifference(makeDateTime(2005, 11, 14, 8), makeDateTime(2005, 11, 15, 8),
                                                 "Base Calendar"),
              Minutes{480});
}

TEST_F(ProjectFileLoad, BlankRowsKeepTheirRowNumberButAreNoTasks)
{
    auto file = load("mspdinulltasks.xml");
    MemoryProject& project = file->project();
    EXPECT_EQ(project.rowCount(), 8);
    EXPECT_EQ(project.taskCount(), 5);
    EXPECT_EQ(ids(project), (std::vector<int>{1, 3, 4, 6, 8}));
    EXPECT_THROW(project.taskById(2), HostError);
    EXPECT_EQ(project.taskById(3).name(), "Task 2");
    EXPECT_TRUE(project.taskById(1).isSummary());
    EXPECT_FALSE(project.taskById(4).isSummary());
    EXPECT_EQ(project.minutesPerDay(), 450);
    EXPECT_EQ(project.taskById(8).start(), makeDateTime(2008, 11, 3, 9));
}

TEST_F(ProjectFileLoad, ProjectSettingsResourcesAndConstraints)
{
    auto file = load("sample.xml");
    MemoryProject& project = file->project();
    EXPECT_EQ(project.name(), "sample.xml");
    EXPECT_EQ(project.text(), "sample");
    EXPECT_EQ(project.startDate(), makeDateTime(2003, 1, 7, 8));
    EXPECT_TRUE(project.hasCalendar("Night Shift"));
    EXPECT_TRUE(project.saved());

    Task& second = project.taskById(2);
    EXPECT_EQ(second.resourceNames(), "First Resource;Second Resource");
    EXPECT_EQ(second.duration(), Minutes{800 * 60});
    Task& milestone = project.taskById(3);
    EXPECT_EQ(milestone.duration(), Minutes{0});
    EXPECT_EQ(milestone.splitPartCount(), 0);
    Task& constrained = project.taskById(5);
    EXPECT_EQ(constrained.constraintType(), ConstraintType::StartNoEarlierThan);
    EXPECT_EQ(constrained.constraintDate(), makeDateTime(2003, 2, 1, 8));
    EXPECT_EQ(project.taskById(8).resourceNames(), "");
    // Work on a night-shift resource follows its own calendar: no split where Standard rests.
    for (Task* task : project.tasks())
        EXPECT_LE(task->splitPartCount(), 1) << task->name();
}

TEST_F(ProjectFileLoad, ResourceCalendarsDeriveFromTheirBase)
{
    auto file = load("calendar-calendars-project2019-mspdi.xml");
    MemoryProject& project = file->project();
    EXPECT_EQ(project.taskCount(), 0);
    for (const char* name : {"Standard", "Calendar1", "Calendar2", "Resource One", "Resource Two"})
        EXPECT_TRUE(project.hasCalendar(name)) << name;
    const DateTime monday = makeDateTime(2018, 10, 15, 0);
    const DateTime saturday = makeDateTime(2018, 10, 20, 0);
    EXPECT_EQ(project.calendar("Resource One").workingTimeBetween(monday, saturday), Minutes{5 * 480});
}

TEST_F(ProjectFileLoad, XmlThatIsNotWellFormedIsRejectedWithItsLine)
{
    expectRejected("<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
                   "\t<Name>x</Name>\n\t<Tasks>\n\t</Task>\n</Project>\n",
                   5, "wohlgeformt");
    expectRejected("", 1, "kein XML-Element");
}

TEST_F(ProjectFileLoad, XmlThatIsNotAPlanIsRejected)
{
    expectRejected("<?xml version=\"1.0\"?>\n\n<Plan><Name>x</Name></Plan>\n", 3, "keine Projektdatei");
    expectRejected("<Project xmlns=\"urn:other\"><Name>x</Name></Project>", 1, "keine Projektdatei");
    expectRejected("<Project><Name>x</Name></Project>", 1, "keine Projektdatei");
}

TEST_F(ProjectFileLoad, UnusableValuesAreRejectedWithTheirLine)
{
    expectRejected("<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n<Task>\n<UID>1</UID>\n"
                   "<ID>1</ID>\n<Start>gestern</Start>\n</Task>\n</Tasks>\n</Project>\n",
                   6, "<Start> ist kein Datum");
    expectRejected(
        "<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n"
        "<Task><UID>1</UID><ID>1</ID></Task>\n<Task><UID>1</UID><ID>2</ID></Task>\n</Tasks>\n</Project>",
        4, "doppelt");
}

TEST_F(ProjectFileLoad, MissingFilesAndFoldersAreFileErrors)
{
    EXPECT_THROW(ProjectFile::load(dir.path() / "fehlt.xml"), FileError);
    EXPECT_THROW(ProjectFile::load(dir.path()), FileError);
    EXPECT_TRUE(dir.names().empty());
}

} // namespace
} // namespace zelvant
