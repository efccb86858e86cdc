// Loading and saving a large plan file against bare pugixml on the same file, in the same run
// (the plan half of zelvant_bench_files).

#include "bench/FileBench.h"
#include "hosts/projectfile/MspdiValues.h"
#include "hosts/projectfile/ProjectFile.h"
#include "hosts/projectfile/TimephasedWork.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace zelvant;
namespace fs = std::filesystem;

namespace {

constexpr int kTasks = 10000;
constexpr int kSummaryEvery = 20; // every 20th row sums up the 19 after it
constexpr int kSplitEvery = 5;    // every 5th row is split in two: 2,000 split tasks

void element(std::string& out, const char* name, const std::string& value)
{
    out += '<';
    out += name;
    out += '>';
    out += value;
    out += "</";
    out += name;
    out += '>';
}

// The many plain values a plan writes for every task, none of which the run touches.
void bookkeeping(std::string& out)
{
    static const char* const kZeroes[] = {"ResumeValid",
                                          "EffortDriven",
                                          "Recurring",
                                          "OverAllocated",
                                          "Estimated",
                                          "Critical",
                                          "IsSubproject",
                                          "IsSubprojectReadOnly",
                                          "ExternalTask",
                                          "StartVariance",
                                          "FinishVariance",
                                          "FreeSlack",
                                          "TotalSlack",
                                          "FixedCost",
                                          "PercentComplete",
                                          "PercentWorkComplete",
                                          "Cost",
                                          "OvertimeCost",
                                          "ActualCost",
                                          "ActualOvertimeCost",
                                          "RemainingCost",
                                          "RemainingOvertimeCost",
                                          "LevelingDelay",
                                          "HideBar",
                                          "Rollup",
                                          "PhysicalPercentComplete",
                                          "EarnedValueMethod",
                                          "IgnoreResourceCalendar"};
    for (const char* name : kZeroes)
        element(out, name, "0");
    for (const char* name : {"OvertimeWork", "ActualDuration", "ActualWork", "ActualOvertimeWork",
                             "RegularWork", "RemainingWork", "RemainingOvertimeWork"})
        element(out, name, "PT0H0M0S");
    for (const char* name : {"WorkVariance", "ACWP", "CV", "BCWS", "BCWP"})
        element(out, name, "0.00");
}

struct Row {
    int uid = 0;
    int level = 1;
    std::vector<SplitPart> parts; // empty for a summary
};

std::string standardCalendar()
{
    std::string out =
        "<Calendars><Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar>"
        "<BaseCalendarUID>-1</BaseCalendarUID><WeekDays>";
    for (int day = 1; day <= 7; ++day) {
        out += "<WeekDay><DayType>" + std::to_string(day) + "</DayType>";
        out += day == 1 || day == 7 ? "<DayWorking>0</DayWorking>"
                                    : "<DayWorking>1</DayWorking><WorkingTimes>"
                                      "<WorkingTime><FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime>"
                                      "</WorkingTime><WorkingTime><FromTime>13:00:00</FromTime>"
                                      "<ToTime>17:00:00</ToTime></WorkingTime></WorkingTimes>";
        out += "</WeekDay>";
    }
    return out + "</WeekDays></Calendar></Calendars>";
}

std::vector<Row> planRows(const WorkCalendar& calendar)
{
    std::vector<Row> rows;
    for (int i = 0; i < kTasks; ++i) {
        Row row{i + 1, i % kSummaryEvery == 0 ? 1 : 2, {}};
        if (row.level == 2) {
            const DateTime start =
                calendar.nextWorkingMoment(makeDateTime(2024, 1, 1, 8) + std::chrono::days{i % 360});
            const DateTime firstEnd = calendar.addWorkingTime(start, Minutes{2 * 480});
            row.parts.push_back({start, firstEnd});
            if (i % kSplitEvery == 2) {
                const DateTime resume =
                    calendar.nextWorkingMoment(calendar.addWorkingTime(firstEnd, Minutes{2 * 480}));
                row.parts.push_back({resume, calendar.addWorkingTime(resume, Minutes{2 * 480})});
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void writeTask(std::string& out, const Row& row, const std::vector<Row>& rows, const WorkCalendar& calendar,
               bool withLinks)
{
    SplitPart span = row.parts.empty() ? SplitPart{DateTime::max(), DateTime::min()} : SplitPart{};
    if (row.parts.empty()) {
        for (int k = row.uid; k < int(rows.size()) && rows[k].level > 1; ++k) {
            span.start = std::min(span.start, rows[k].parts.front().start);
            span.finish = std::max(span.finish, rows[k].parts.back().finish);
        }
    } else {
        span = {row.parts.front().start, row.parts.back().finish};
    }
    Minutes work{0};
    for (const SplitPart& part : row.parts)
        work += calendar.workingTimeBetween(part.start, part.finish);
    if (row.parts.empty())
        work = calendar.workingTimeBetween(span.start, span.finish);
    const std::string duration = mspdi::formatDuration(work);
    out += "<Task>";
    element(out, "UID", std::to_string(row.uid));
    element(out, "ID", std::to_string(row.uid));
    element(out, "Name", "Vorgang " + std::to_string(row.uid));
    element(out, "Type", "0");
    element(out, "IsNull", "0");
    element(out, "OutlineLevel", std::to_string(row.level));
    element(out, "Priority", "500");
    element(out, "Start", mspdi::formatDateTime(span.start));
    element(out, "Finish", mspdi::formatDateTime(span.finish));
    element(out, "Duration", duration);
    element(out, "DurationFormat", "7");
    element(out, "Milestone", "0");
    element(out, "Summary", row.parts.empty() ? "1" : "0");
    bookkeeping(out);
    element(out, "RemainingDuration", duration);
    element(out, "ConstraintType", "0");
    element(out, "CalendarUID", "-1");
    if (withLinks && row.parts.size() > 1) {
        char value[80];
        std::snprintf(value, sizeof value, "001L%020d%s%s", row.uid, formatYmd(span.start).c_str(), "0800");
        out += "<ExtendedAttribute>";
        element(out, "FieldID", "188744015");
        element(out, "Value", value);
        out += "</ExtendedAttribute>";
    }
    out += "</Task>";
}

void writeAssignment(std::string& out, const Row& row, const WorkCalendar& calendar)
{
    out += "<Assignment>";
    element(out, "UID", std::to_string(row.uid));
    element(out, "TaskUID", std::to_string(row.uid));
    element(out, "ResourceUID", "-65535");
    element(out, "Finish", mspdi::formatDateTime(row.parts.back().finish));
    element(out, "Start", mspdi::formatDateTime(row.parts.front().start));
    element(out, "Units", "1");
    element(out, "Work", "PT0H0M0S");
    element(out, "WorkContour", row.parts.size() > 1 ? "8" : "0");
    if (row.parts.size() > 1) {
        for (const TimephasedPeriod& period : TimephasedWork::periodsFor(row.parts, calendar, 1.0)) {
            out += "<TimephasedData>";
            element(out, "Type", "1");
            element(out, "UID", std::to_string(row.uid));
            element(out, "Start", mspdi::formatDateTime(period.start));
            element(out, "Finish", mspdi::formatDateTime(period.finish));
            element(out, "Unit", "2");
            element(out, "Value", mspdi::formatDuration(period.work));
            out += "</TimephasedData>";
        }
    }
    out += "</Assignment>";
}

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    return best;
}

} // namespace

std::string generatePlan(bool withLinks)
{
    const WorkCalendar calendar = WorkCalendar::standard();
    const std::vector<Row> rows = planRows(calendar);
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Project xmlns=\"http://schemas.microsoft.com/project\"><SaveVersion>14</SaveVersion>"
        "<Name>bench.xml</Name><StartDate>2024-01-01T08:00:00</StartDate><CalendarUID>1</CalendarUID>"
        "<MinutesPerDay>480</MinutesPerDay><ExtendedAttributes><ExtendedAttribute>"
        "<FieldID>188744015</FieldID><FieldName>Text29</FieldName></ExtendedAttribute>"
        "</ExtendedAttributes>";
    out += standardCalendar();
    out += "<Tasks>";
    for (const Row& row : rows)
        writeTask(out, row, rows, calendar, withLinks);
    out += "</Tasks><Resources><Resource><UID>0</UID><ID>0</ID></Resource></Resources><Assignments>";
    for (const Row& row : rows)
        if (!row.parts.empty())
            writeAssignment(out, row, calendar);
    return out + "</Assignments></Project>\n";
}

FileBenchResult benchPlanFile()
{
    const fs::path dir = fs::temp_directory_path() / ("zelvant-bench-plan-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path ours = dir / "ours.xml";
    const fs::path floor = dir / "floor.xml";
    {
        // Indented with tabs, one element a line, as the plan writes its files.
        const std::string plan = generatePlan(true);
        pugi::xml_document document;
        document.load_buffer(plan.data(), plan.size(), pugi::parse_default | pugi::parse_declaration);
        document.save_file(ours.c_str(), "\t");
        document.save_file(floor.c_str(), "\t");
    }
    const double fileMb = double(fs::file_size(ours)) / (1024.0 * 1024.0);

    int round = 0;
    const double oursSeconds = bestOf(5, [&] {
        auto file = ProjectFile::load(ours);
        // One change per round, so that every save has something to write.
        file->project().taskById(2).setName("Vorgang 2, Runde " + std::to_string(++round));
        file->save();
    });
    const double floorSeconds = bestOf(5, [&] {
        pugi::xml_document document;
        document.load_file(floor.c_str());
        document.save_file(floor.c_str());
    });

    // The parts on their own: a load, a save of one change, and a save without one, which only
    // compares and leaves the file alone.
    const double loadSeconds = bestOf(5, [&] { ProjectFile::load(ours); });
    double changeSeconds = 1e9;
    double unchangedSeconds = 1e9;
    for (int i = 0; i < 5; ++i) {
        auto file = ProjectFile::load(ours);
        file->project().taskById(2).setName("Vorgang 2, Runde " + std::to_string(++round));
        changeSeconds = std::min(changeSeconds, bestOf(1, [&] { file->save(); }));
        const auto written = fs::last_write_time(ours);
        unchangedSeconds = std::min(unchangedSeconds, bestOf(1, [&] { file->save(); }));
        if (fs::last_write_time(ours) != written)
            std::fprintf(stderr, "plan: a save without a change wrote the file\n");
    }
    std::fprintf(stderr, "files plan load=%.3f save=%.3f save-unchanged=%.4f\n", loadSeconds, changeSeconds,
                 unchangedSeconds);

    if (!std::getenv("ZELVANT_BENCH_KEEP")) {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    return {oursSeconds, floorSeconds, fileMb};
}
