#pragma once

// The geometry of the host's bar chart, apart from any widget: which shapes stand where for the
// rows of the plan. GanttView paints what this computes; tests check the geometry without a
// screen.

#include "hostapi/DateTime.h"
#include "hostapi/ProjectApi.h"

#include <QRectF>
#include <QString>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// How a row of the plan is drawn.
enum class GanttRowKind { Task, Summary, Milestone };

// One row of the chart, as the plan has it.
struct GanttRow {
    GanttRowKind kind = GanttRowKind::Task;
    DateTime start;
    DateTime finish;
    std::vector<SplitPart> parts; // the stretches of work; empty: one from start to finish
    bool linked = false;          // the task has an appointment in the calendar
    std::string name;             // for the row's tooltip
};

// The row of a task: its kind, its split parts and whether it is linked with the calendar.
GanttRow ganttRow(const Task& task);

// The days the chart covers: `first` is at x = 0.
struct GanttSpan {
    std::chrono::local_days first;
    int days = 0;
};

// The days that show every row with room on both sides, in whole weeks from a Monday so that the
// week band of the time scale has no cut-off weeks. Without rows, the week of `fallback`.
GanttSpan ganttSpan(const std::vector<GanttRow>& rows, std::chrono::local_days fallback);

// Where time and rows lie on the chart.
struct GanttScale {
    GanttSpan span;
    double pixelsPerDay = 24;
    double rowHeight = 24;

    // The x of a moment; the time of day counts, so a bar ends where its task ends.
    double x(DateTime moment) const;
    // The chart's full width.
    double width() const { return span.days * pixelsPerDay; }
    // The top of a row's band.
    double top(int row) const { return row * rowHeight; }
};

enum class GanttShapeKind {
    Bar,       // a stretch of work of a task
    SplitLine, // the dotted line between two stretches of a split task
    Summary,   // a summary task: a black bar with a point down at each end
    Milestone, // a diamond at the milestone's moment
    LinkMark,  // the little calendar after a linked task
};

struct GanttShape {
    GanttShapeKind kind;
    QRectF rect; // a SplitLine has height 0: it is a line at the middle of the row
    int row;
    bool linked;
};

struct GanttLayout {
    std::vector<GanttShape> shapes;
    std::optional<double> today; // the x of today's line; nothing when today is off the chart
};

// The shapes of every row, in row order, and the line for `now`.
GanttLayout layoutGantt(const std::vector<GanttRow>& rows, const GanttScale& scale, DateTime now);

// One label of the time scale, over [x, x + width).
struct ScaleLabel {
    double x;
    double width;
    QString text;
    bool weekend = false;
};

// The time scale's two bands: the calendar weeks ("KW 2 · 11.01.2027") over the days ("11").
struct TimeScale {
    std::vector<ScaleLabel> weeks;
    std::vector<ScaleLabel> days;
};

TimeScale timeScale(const GanttScale& scale);

// The calendar week of a day as German calendars count it (ISO 8601): weeks start on Monday, and
// week 1 is the one holding the year's first Thursday.
int calendarWeek(std::chrono::local_days day);

} // namespace zelvant
