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

TEST_F(ProjectFileLoad, ImpossibleValuesNameTheirTaskAndLine)
{
    // A plan whose task UID 5 (row 3) holds `value` on line 8, and whose assignment 1 holds
    // `work` as its timephased work on line 18.
    auto plan = [](const std::string& value, const std::string& work = "PT8H0M0S",
                   const std::string& header = "<MinutesPerDay>480</MinutesPerDay>") {
        return "<Project xmlns=\"http://schemas.microsoft.com/project\">\n" + header +
               "\n<Tasks>\n<Task>\n<UID>5</UID>\n<ID>3</ID>\n<Name>Kisten packen</Name>\n" + value +
               "\n<Start>2027-01-18T08:00:00</Start><Finish>2027-01-18T17:00:00</Finish>\n"
               "<Duration>PT8H0M0S</Duration>\n</Task>\n</Tasks>\n<Assignments>\n<Assignment>\n<UID>1</UID>\n"
               "<TaskUID>5</TaskUID><ResourceUID>-65535</ResourceUID>\n<TimephasedData><Type>1</Type>"
               "<Start>2027-01-18T08:00:00</Start><Finish>2027-01-18T17:00:00</Finish>\n<Value>" +
               work + "</Value></TimephasedData>\n</Assignment>\n</Assignments>\n</Project>\n";
    };
    const std::string task = "Vorgang UID 5 (Nr. 3) \u201EKisten packen\u201C: ";
    struct Case {
        std::string content;
        int line;
        std::string problem;
    };
    const Case cases[] = {
        {plan("<Duration>PT33333333333333333330S</Duration>"), 8,
         task + "<Duration> \u201EPT33333333333333333330S\u201C ist l\u00E4nger als 100 Jahre"},
        {plan("<Duration>PT-900000H0M0S</Duration>"), 8,
         task + "<Duration> \u201EPT-900000H0M0S\u201C ist l\u00E4nger"},
        {plan("<Duration>acht Stunden</Duration>"), 8,
         task + "<Duration> \u201Eacht Stunden\u201C ist keine Dauer"},
        {plan("<Start>9999-01-18T08:00:00</Start>"), 8,
         task + "<Start> \u201E9999-01-18T08:00:00\u201C liegt nicht in den Jahren 1900 bis 2200"},
        {plan("<Finish>1899-12-31T17:00:00</Finish>"), 8,
         task + "<Finish> \u201E1899-12-31T17:00:00\u201C liegt nicht"},
        {plan("<ConstraintType>4</ConstraintType><ConstraintDate>2201-01-01T00:00:00</ConstraintDate>"), 8,
         task + "<ConstraintDate> \u201E2201-01-01T00:00:00\u201C liegt nicht"},
        {plan("<Start>gestern</Start>"), 8, task + "<Start> \u201Egestern\u201C ist kein Datum"},
        {plan("<OutlineLevel>99999999999</OutlineLevel>"), 8,
         task + "<OutlineLevel> \u201E99999999999\u201C liegt au\u00DFerhalb des Zahlenbereichs"},
        {plan("<ConstraintType>12</ConstraintType>"), 8, task + "unbekannte Einschr\u00E4nkungsart 12"},
        {plan("", "PT99999999999H"), 18,
         task + "Zuordnung UID 1: <Value> \u201EPT99999999999H\u201C ist l\u00E4nger als 100 Jahre"},
        {plan("", "PT8H", "<StartDate>3000-01-01T08:00:00</StartDate>"), 2,
         "<StartDate> \u201E3000-01-01T08:00:00\u201C liegt nicht in den Jahren"},
        {plan("", "PT8H", "<MinutesPerDay>100000</MinutesPerDay>"), 2,
         "<MinutesPerDay> \u201E100000\u201C ist mehr"},
        {"<Project "
         "xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n<Task><UID>2147483648</UID><ID>1</ID>"
         "<Name>Zu gro\u00DF</Name></Task>\n</Tasks>\n</Project>",
         3,
         "Vorgang UID 2147483648 (Nr. 1) \u201EZu gro\u00DF\u201C: <UID> \u201E2147483648\u201C liegt "
         "au\u00DFerhalb"},
        {"<Project "
         "xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n<Task><UID>1</UID>\n<ID>-2147483649</ID>"
         "</Task>\n</Tasks>\n</Project>",
         4, "Vorgang UID 1 (Nr. -2147483649): <ID> \u201E-2147483649\u201C liegt au\u00DFerhalb"},
        {"<Project "
         "xmlns=\"http://schemas.microsoft.com/project\">\n<Assignments>\n<Assignment><UID>4294967296</UID>"
         "<TaskUID>5</TaskUID></Assignment>\n</Assignments>\n</Project>",
         3, "Zuordnung UID 4294967296 zu Vorgang UID 5: <UID> \u201E4294967296\u201C liegt au\u00DFerhalb"},
        {"<Project "
         "xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n<Task>\n<UID>1</UID>\n<ID>1</ID>\n</"
         "Task>\n"
         "<Task><UID>1</UID><ID>2</ID></Task>\n</Tasks>\n</Project>",
         7, "Vorgang UID 1 (Nr. 2): Vorgangs-UID 1 fehlt oder kommt doppelt vor"},
    };
    for (const Case& c : cases)
        expectRejected(c.content, c.line, c.problem);
    // The same plan with sane values loads.
    writeText(dir.path() / "plan.xml", plan("<Duration>PT876000H0M0S</Duration>"));
    EXPECT_EQ(ProjectFile::load(dir.path() / "plan.xml")->project().taskCount(), 1);
}

TEST_F(ProjectFileLoad, MissingFilesAndFoldersAreFileErrors)
{
    EXPECT_THROW(ProjectFile::load(dir.path() / "fehlt.xml"), FileError);
    EXPECT_THROW(ProjectFile::load(dir.path()), FileError);
    EXPECT_TRUE(dir.names().empty());
}

} // namespace
} // namespace zelvant
