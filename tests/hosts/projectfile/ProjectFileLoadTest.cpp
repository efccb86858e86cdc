#include "hosts/projectfile/ProjectFile.h"
#include "hosts/projectfile/ProjectFileError.h"
#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

class ProjectFileLoad : public ::testing::Test {
protected:
    static std::unique_ptr<ProjectFile> load(const std::string& sample)
    {
        return ProjectFile::load(sampleFile(sample));
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

// What the sample plans hold, as far as this program reads them.
TEST_F(ProjectFileLoad, SamplesReadAsThePlanShowsThem)
{
    auto split = load("mspdisplittask.xml");
    Task& second = split->project().taskById(2);
    ASSERT_EQ(second.splitPartCount(), 3);
    EXPECT_EQ(second.splitPart(3),
              (SplitPart{makeDateTime(2006, 10, 10, 8), makeDateTime(2006, 10, 18, 17)}));
    EXPECT_EQ(second.duration(), Minutes{120 * 60});

    auto calendars = load("caltest.xml");
    EXPECT_EQ(calendars->project().taskById(1).calendarName(), kNoTaskCalendar);
    EXPECT_EQ(calendars->project().taskById(3).calendarName(), "Base Calendar");
    EXPECT_EQ(calendars->application().dateDifference(makeDateTime(2005, 11, 14, 8),
                                                      makeDateTime(2005, 11, 15, 8), "Base Calendar"),
              Minutes{480});

    auto blanks = load("mspdinulltasks.xml");
    MemoryProject& rows = blanks->project();
    EXPECT_EQ(rows.taskCount(), 5);
    EXPECT_THROW(rows.taskById(2), HostError); // a blank row keeps its number but is no task
    EXPECT_EQ(rows.minutesPerDay(), 450);

    auto sample = load("sample.xml");
    MemoryProject& project = sample->project();
    EXPECT_EQ(project.taskById(2).resourceNames(), "First Resource;Second Resource");
    EXPECT_EQ(project.taskById(5).constraintType(), ConstraintType::StartNoEarlierThan);
    // Work on a night-shift resource follows its own calendar: no split where Standard rests.
    for (Task* task : project.tasks())
        EXPECT_LE(task->splitPartCount(), 1) << task->name();
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
    const std::string head = "<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n";
    const Case cases[] = {
        {plan("<Duration>PT33333333333333333330S</Duration>"), 8,
         task + "<Duration> \u201EPT33333333333333333330S\u201C ist l\u00E4nger als 100 Jahre"},
        {plan("<Duration>acht Stunden</Duration>"), 8,
         task + "<Duration> \u201Eacht Stunden\u201C ist keine Dauer"},
        {plan("<Start>9999-01-18T08:00:00</Start>"), 8,
         task + "<Start> \u201E9999-01-18T08:00:00\u201C liegt nicht in den Jahren 1900 bis 2200"},
        {plan("<ConstraintType>12</ConstraintType>"), 8, task + "unbekannte Einschr\u00E4nkungsart 12"},
        {plan("", "PT99999999999H"), 18,
         task + "Zuordnung UID 1: <Value> \u201EPT99999999999H\u201C ist l\u00E4nger als 100 Jahre"},
        {plan("", "PT8H", "<StartDate>3000-01-01T08:00:00</StartDate>"), 2,
         "<StartDate> \u201E3000-01-01T08:00:00\u201C liegt nicht in den Jahren"},
        {plan("", "PT8H", "<MinutesPerDay>100000</MinutesPerDay>"), 2,
         "<MinutesPerDay> \u201E100000\u201C ist mehr"},
        {head + "<Task><UID>2147483648</UID><ID>1</ID><Name>Zu gro\u00DF</Name></Task>\n</Tasks>\n</Project>",
         3,
         "Vorgang UID 2147483648 (Nr. 1) \u201EZu gro\u00DF\u201C: <UID> \u201E2147483648\u201C liegt "
         "au\u00DFerhalb"},
        {head + "<Task>\n<UID>1</UID>\n<ID>1</ID>\n</Task>\n<Task><UID>1</UID><ID>2</ID></Task>\n</Tasks>\n</"
                "Project>",
         7, "Vorgang UID 1 (Nr. 2): Vorgangs-UID 1 fehlt oder kommt doppelt vor"},
        {head + "\t</Task>\n</Project>\n", 3, "wohlgeformt"},
        {"<Project "
         "xmlns=\"http://schemas.microsoft.com/project\">\n<Calendars><Calendar><UID>2</UID><Name>Nacht"
         "</Name><WeekDays>\n<WeekDay><DayType>2</DayType><DayWorking>1</"
         "DayWorking><WorkingTimes><WorkingTime>"
         "<FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime></"
         "WorkingTime>\n<WorkingTime><FromTime>11:00:00"
         "</FromTime><ToTime>17:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay></WeekDays></Calendar>"
         "</Calendars>\n</Project>\n",
         3, "Arbeitszeiten \u00FCberschneiden sich"},
        {"", 1, "kein XML-Element"},
        {"<?xml version=\"1.0\"?>\n\n<Project xmlns=\"urn:other\"><Name>x</Name></Project>\n", 3,
         "keine Projektdatei"},
    };
    for (const Case& c : cases)
        expectRejected(c.content, c.line, c.problem);
    // The same plan with sane values loads.
    writeText(dir.path() / "plan.xml", plan("<Duration>PT876000H0M0S</Duration>"));
    EXPECT_EQ(ProjectFile::load(dir.path() / "plan.xml")->project().taskCount(), 1);
    EXPECT_THROW(ProjectFile::load(dir.path() / "fehlt.xml"), FileError);
}

} // namespace
} // namespace zelvant
