// The bar chart's geometry without a screen: which shapes each kind of task gets, and what holds
// for any plan: shapes stay in their row, bars in time order and as long as their stretch of
// work, the scale starts on a Monday and counts weeks as German calendars do.

#include "app/host/GanttLayout.h"

#include "engine/LinkModel.h"
#include "hosts/project/MemoryProject.h"
#include "hosts/project/MemoryTask.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvant {
namespace {

using std::chrono::days;
using std::chrono::local_days;
using Kinds = std::vector<GanttShapeKind>;

DateTime at(int day, unsigned hour = 8)
{
    return makeDateTime(2027, 1, 1, hour) + days{day - 1};
}

local_days january(int day)
{
    return local_days{std::chrono::year{2027} / std::chrono::January / 1} + days{day - 1};
}

GanttScale scaleFor(const std::vector<GanttRow>& rows, double pixelsPerDay = 24, double rowHeight = 22)
{
    return {ganttSpan(rows, january(1)), pixelsPerDay, rowHeight};
}

std::vector<GanttShape> shapesOf(const GanttLayout& layout, int row)
{
    std::vector<GanttShape> shapes;
    for (const GanttShape& shape : layout.shapes)
        if (shape.row == row)
            shapes.push_back(shape);
    return shapes;
}

// One row of each kind: the shapes it gets, left to right.
TEST(GanttLayout, EachKindOfTaskGetsItsShapes)
{
    const std::vector<SplitPart> threeParts{{at(11), at(11, 17)}, {at(13), at(13, 12)}, {at(18), at(19, 17)}};
    struct Case {
        const char* what;
        GanttRow row;
        Kinds kinds;
    };
    const std::vector<Case> cases{
        {"unsplit task", {GanttRowKind::Task, at(11), at(12, 17), {}, false, "a"}, {GanttShapeKind::Bar}},
        {"split task",
         {GanttRowKind::Task, at(11), at(19, 17), threeParts, false, "b"},
         {GanttShapeKind::Bar, GanttShapeKind::SplitLine, GanttShapeKind::Bar, GanttShapeKind::SplitLine,
          GanttShapeKind::Bar}},
        {"summary", {GanttRowKind::Summary, at(11), at(29, 17), {}, false, "c"}, {GanttShapeKind::Summary}},
        {"milestone",
         {GanttRowKind::Milestone, at(15, 17), at(15, 17), {}, false, "d"},
         {GanttShapeKind::Milestone}},
        {"linked task",
         {GanttRowKind::Task, at(13), at(15, 17), {}, true, "e"},
         {GanttShapeKind::Bar, GanttShapeKind::LinkMark}},
        {"linked milestone",
         {GanttRowKind::Milestone, at(15, 17), at(15, 17), {}, true, "f"},
         {GanttShapeKind::Milestone, GanttShapeKind::LinkMark}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GanttScale scale = scaleFor({c.row});
        const GanttLayout layout = layoutGantt({c.row}, scale, at(1));
        Kinds kinds;
        for (const GanttShape& shape : layout.shapes) {
            kinds.push_back(shape.kind);
            EXPECT_EQ(shape.linked, c.row.linked);
        }
        EXPECT_EQ(kinds, c.kinds);
        // Whatever the shape, the task's start is where it begins (a milestone: its middle).
        const QRectF& first = layout.shapes.front().rect;
        const double begins = c.row.kind == GanttRowKind::Milestone ? first.center().x() : first.left();
        EXPECT_DOUBLE_EQ(begins, scale.x(c.row.start));
    }
}

// The gaps of a split task stay empty: the dotted lines fill exactly the time between the parts.
TEST(GanttLayout, SplitTaskHasNoBarInItsGaps)
{
    const std::vector<SplitPart> parts{{at(18), at(18, 17)}, {at(11), at(11, 17)}, {at(13), at(13, 12)}};
    const GanttRow row{GanttRowKind::Task, at(11), at(18, 17), parts, false, "Kisten packen"};
    const GanttScale scale = scaleFor({row});
    const GanttLayout layout = layoutGantt({row}, scale, at(1));
    const std::vector<std::pair<DateTime, DateTime>> gaps{{at(11, 17), at(13)}, {at(13, 12), at(18)}};
    int lines = 0;
    for (const GanttShape& shape : layout.shapes) {
        for (const auto& [from, to] : gaps) {
            if (shape.kind == GanttShapeKind::Bar) {
                EXPECT_TRUE(shape.rect.right() <= scale.x(from) || shape.rect.left() >= scale.x(to));
            } else if (shape.rect.left() == scale.x(from)) {
                EXPECT_DOUBLE_EQ(shape.rect.right(), scale.x(to));
                ++lines;
            }
        }
    }
    EXPECT_EQ(lines, 2);
}

// Rows of every kind at random moments (a fixed seed: the same rows on every run).
std::vector<GanttRow> randomRows(std::mt19937& random, int count)
{
    std::uniform_int_distribution<int> day(1, 60), hours(0, 23), length(1, 9), kind(0, 5), coin(0, 1);
    std::vector<GanttRow> rows;
    for (int index = 0; index < count; ++index) {
        GanttRow row;
        row.name = "Vorgang " + std::to_string(index);
        row.linked = coin(random) == 1;
        row.start = at(day(random)) + std::chrono::hours(hours(random));
        switch (kind(random)) {
        case 0:
            row.kind = GanttRowKind::Milestone;
            row.finish = row.start;
            break;
        case 1:
            row.kind = GanttRowKind::Summary;
            row.finish = row.start + days{length(random)};
            break;
        case 2:
        case 3: { // split into two to four parts with gaps between them
            DateTime from = row.start;
            const int parts = 2 + coin(random) + coin(random);
            for (int part = 0; part < parts; ++part) {
                const DateTime to = from + std::chrono::hours(4 * length(random));
                row.parts.push_back({from, to});
                from = to + days{length(random)};
            }
            row.finish = row.parts.back().finish;
            std::shuffle(row.parts.begin(), row.parts.end(), random);
            break;
        }
        default:
            row.finish = row.start + std::chrono::hours(5 * length(random));
        }
        rows.push_back(row);
    }
    return rows;
}

double daysBetween(DateTime from, DateTime to)
{
    return std::chrono::duration<double, std::ratio<86400>>(to - from).count();
}

TEST(GanttLayout, PropertiesOfAnyPlan)
{
    std::mt19937 random(20270111);
    for (int round = 0; round < 40; ++round) {
        const std::vector<GanttRow> rows = randomRows(random, 12);
        // A day at least as wide as a row is high, as in the host: the day to spare at the
        // chart's end then holds a link mark.
        const GanttScale scale = scaleFor(rows, 18 + round, 18 + round % 7);
        const GanttLayout layout = layoutGantt(rows, scale, at(20, 12));
        for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
            SCOPED_TRACE("round " + std::to_string(round) + ", row " + std::to_string(index));
            const GanttRow& row = rows[static_cast<std::size_t>(index)];
            const std::vector<GanttShape> shapes = shapesOf(layout, index);
            ASSERT_FALSE(shapes.empty());
            double workDays = 0;
            double right = -1;
            int bars = 0, marks = 0;
            for (const GanttShape& shape : shapes) {
                // In the row's band and on the chart.
                EXPECT_GE(shape.rect.top(), scale.top(index));
                EXPECT_LE(shape.rect.bottom(), scale.top(index + 1));
                EXPECT_GE(shape.rect.left(), 0);
                EXPECT_LE(shape.rect.right(), scale.width());
                // Left to right, each shape beginning where the one before it ends or later.
                EXPECT_GE(shape.rect.left(), right - 1e-9);
                right = shape.rect.right();
                if (shape.kind == GanttShapeKind::Bar) {
                    ++bars;
                    workDays += shape.rect.width() / scale.pixelsPerDay;
                }
                marks += shape.kind == GanttShapeKind::LinkMark;
            }
            EXPECT_EQ(marks, row.linked ? 1 : 0);
            if (row.linked) {
                EXPECT_EQ(shapes.back().kind, GanttShapeKind::LinkMark) << "the mark comes last";
            }
            if (row.kind == GanttRowKind::Task) {
                // As many bars as parts, together as long as the parts, in days.
                EXPECT_EQ(bars, std::max<int>(1, static_cast<int>(row.parts.size())));
                double expected = 0;
                for (const SplitPart& part : row.parts)
                    expected += daysBetween(part.start, part.finish);
                if (row.parts.empty())
                    expected = daysBetween(row.start, row.finish);
                EXPECT_NEAR(workDays, expected, 1e-9);
            } else {
                EXPECT_EQ(bars, 0);
            }
        }
        ASSERT_TRUE(layout.today.has_value());
        EXPECT_NEAR(*layout.today, daysBetween(DateTime{scale.span.first}, at(20, 12)) * scale.pixelsPerDay,
                    1e-9);
    }
}

// Twice the pixels per day: every x doubles, no y changes.
TEST(GanttLayout, XIsProportionalToTime)
{
    std::mt19937 random(7);
    const std::vector<GanttRow> rows = randomRows(random, 30);
    GanttScale narrow = scaleFor(rows, 12);
    GanttScale wide = narrow;
    wide.pixelsPerDay = 24;
    const GanttLayout one = layoutGantt(rows, narrow, at(20));
    const GanttLayout two = layoutGantt(rows, wide, at(20));
    ASSERT_EQ(one.shapes.size(), two.shapes.size());
    for (std::size_t index = 0; index < one.shapes.size(); ++index) {
        const GanttShape& a = one.shapes[index];
        const GanttShape& b = two.shapes[index];
        if (a.kind == GanttShapeKind::Bar || a.kind == GanttShapeKind::SplitLine ||
            a.kind == GanttShapeKind::Summary) {
            EXPECT_DOUBLE_EQ(b.rect.left(), 2 * a.rect.left());
            EXPECT_DOUBLE_EQ(b.rect.width(), 2 * a.rect.width());
        }
        EXPECT_DOUBLE_EQ(b.rect.top(), a.rect.top());
        EXPECT_DOUBLE_EQ(b.rect.height(), a.rect.height());
    }
}

// The span starts on a Monday, ends on a Sunday and leaves at least a day before the earliest
// start and after the latest finish; today off the chart draws no line.
TEST(GanttLayout, SpanCoversThePlanInWholeWeeks)
{
    std::mt19937 random(11);
    for (int round = 0; round < 30; ++round) {
        const std::vector<GanttRow> rows = randomRows(random, 1 + round % 8);
        const GanttSpan span = ganttSpan(rows, january(1));
        EXPECT_EQ(std::chrono::weekday{span.first}, std::chrono::Monday);
        EXPECT_EQ(span.days % 7, 0);
        const DateTime end = DateTime{span.first + days{span.days}};
        for (const GanttRow& row : rows) {
            EXPECT_GE(row.start - DateTime{span.first}, days{1});
            EXPECT_GE(end - row.finish, days{1});
        }
        const GanttScale scale{span, 20, 20};
        EXPECT_FALSE(layoutGantt(rows, scale, DateTime{span.first} - std::chrono::minutes(1)).today);
        EXPECT_FALSE(layoutGantt(rows, scale, end + std::chrono::minutes(1)).today);
    }
    const GanttSpan empty = ganttSpan({}, january(20));
    EXPECT_EQ(empty.first, january(18));
    EXPECT_EQ(empty.days, 7);
}

TEST(GanttLayout, CalendarWeeksAsGermanCalendarsCountThem)
{
    using namespace std::chrono;
    const std::vector<std::pair<local_days, int>> cases{
        {local_days{2027y / January / 4}, 1},    {local_days{2027y / January / 1}, 53},
        {local_days{2026y / December / 31}, 53}, {local_days{2025y / December / 29}, 1},
        {local_days{2024y / December / 30}, 1},  {local_days{2021y / January / 3}, 53},
        {local_days{2023y / January / 1}, 52},   {local_days{2027y / March / 8}, 10},
        {local_days{2027y / March / 14}, 10},    {local_days{2027y / March / 15}, 11},
    };
    for (const auto& [day, week] : cases)
        EXPECT_EQ(calendarWeek(day), week) << formatGermanDate(DateTime{day});
}

// The time scale's weeks begin on Mondays and cover the chart without gaps; the days have their
// numbers and know their weekends.
TEST(GanttLayout, TimeScaleLabels)
{
    const GanttRow row{GanttRowKind::Task, at(11), at(29, 17), {}, false, "Umzug"};
    const GanttScale scale = scaleFor({row}, 20);
    const TimeScale labels = timeScale(scale);
    ASSERT_EQ(static_cast<int>(labels.days.size()), scale.span.days);
    double x = 0;
    for (const ScaleLabel& week : labels.weeks) {
        EXPECT_DOUBLE_EQ(week.x, x);
        EXPECT_DOUBLE_EQ(week.width, 7 * scale.pixelsPerDay);
        x += week.width;
    }
    EXPECT_DOUBLE_EQ(x, scale.width());
    EXPECT_EQ(labels.weeks.front().text.toStdString(), "KW 1, 04.01.2027");
    EXPECT_EQ(labels.weeks.at(1).text.toStdString(), "KW 2, 11.01.2027");
    for (std::size_t index = 0; index < labels.days.size(); ++index) {
        const local_days day = scale.span.first + days{static_cast<int>(index)};
        const ScaleLabel& label = labels.days[index];
        EXPECT_DOUBLE_EQ(label.x, scale.x(DateTime{day}));
        EXPECT_EQ(label.text.toUInt(), static_cast<unsigned>(std::chrono::year_month_day{day}.day()));
        const auto weekday = std::chrono::weekday{day};
        EXPECT_EQ(label.weekend, weekday == std::chrono::Saturday || weekday == std::chrono::Sunday);
    }
}

// A plan's tasks become rows of the right kind: what the chart draws is what the plan says.
TEST(GanttLayout, RowsFromThePlansTasks)
{
    MemoryProject project("Umzug", at(11));
    MemoryTask& summary = project.addTask();
    summary.setName("Planung");
    MemoryTask& plain = project.addTask();
    plain.setOutlineLevel(2);
    plain.assignSchedule(at(11), at(12, 17), Minutes{16 * 60});
    MemoryTask& split = project.addTask();
    split.setOutlineLevel(2);
    split.assignSplitParts({{at(11), at(11, 12)}, {at(13), at(13, 17)}, {at(14), at(14, 12)}});
    MemoryTask& milestone = project.addTask();
    milestone.setOutlineLevel(2);
    milestone.assignSchedule(at(15, 17), at(15, 17), Minutes{0});
    MemoryTask& linked = project.addTask();
    linked.setOutlineLevel(2);
    linked.assignSchedule(at(13), at(15, 17), Minutes{24 * 60});
    linked.setField(GetFieldId(kLinkField), "123456789202701130800");

    struct Expected {
        const Task& task;
        GanttRowKind kind;
        std::size_t parts;
        bool linked;
    };
    for (const Expected& e :
         {Expected{summary, GanttRowKind::Summary, 0, false}, Expected{plain, GanttRowKind::Task, 0, false},
          Expected{split, GanttRowKind::Task, 3, false},
          Expected{milestone, GanttRowKind::Milestone, 0, false},
          Expected{linked, GanttRowKind::Task, 0, true}}) {
        SCOPED_TRACE(e.task.id());
        const GanttRow row = ganttRow(e.task);
        EXPECT_EQ(row.kind, e.kind);
        EXPECT_EQ(row.parts.size(), e.parts);
        EXPECT_EQ(row.linked, e.linked);
        EXPECT_EQ(row.start, e.task.start());
        EXPECT_EQ(row.finish, e.task.finish());
    }
    EXPECT_EQ(ganttRow(split).parts.at(1), (SplitPart{at(13), at(13, 17)}));
}

} // namespace
} // namespace zelvant
