#include "app/host/GanttLayout.h"

#include "engine/LinkModel.h"

#include <algorithm>

namespace zelvant {

namespace {

using std::chrono::days;
using std::chrono::local_days;

// Monday 1, ..., Sunday 7.
unsigned isoWeekday(local_days day)
{
    return std::chrono::weekday{day}.iso_encoding();
}

local_days mondayOf(local_days day)
{
    return day - days{isoWeekday(day) - 1};
}

// The stretches a task's bars cover: its split parts in time order, else start to finish.
std::vector<SplitPart> barParts(const GanttRow& row)
{
    if (row.parts.empty())
        return {{row.start, row.finish}};
    std::vector<SplitPart> parts = row.parts;
    std::sort(parts.begin(), parts.end(),
              [](const SplitPart& a, const SplitPart& b) { return a.start < b.start; });
    return parts;
}

// Where a row's task ends on the chart, as far as shapes go; the link mark stands after it.
double addTaskShapes(std::vector<GanttShape>& shapes, const GanttRow& row, int index, const GanttScale& scale)
{
    const double top = scale.top(index);
    const double height = scale.rowHeight;
    switch (row.kind) {
    case GanttRowKind::Summary: {
        // The rect holds the bar and its points below it; GanttView draws the points inside.
        const QRectF rect(scale.x(row.start), top + 0.3 * height, scale.x(row.finish) - scale.x(row.start),
                          0.4 * height);
        shapes.push_back({GanttShapeKind::Summary, rect, index, row.linked});
        return rect.right();
    }
    case GanttRowKind::Milestone: {
        const double side = 0.6 * height;
        const QRectF rect(scale.x(row.start) - side / 2, top + (height - side) / 2, side, side);
        shapes.push_back({GanttShapeKind::Milestone, rect, index, row.linked});
        return rect.right();
    }
    case GanttRowKind::Task:
        break;
    }
    double right = scale.x(row.start);
    bool first = true;
    for (const SplitPart& part : barParts(row)) {
        const double left = scale.x(part.start);
        if (!first)
            shapes.push_back({GanttShapeKind::SplitLine, QRectF(right, top + height / 2, left - right, 0),
                              index, row.linked});
        right = scale.x(part.finish);
        shapes.push_back({GanttShapeKind::Bar, QRectF(left, top + 0.25 * height, right - left, 0.5 * height),
                          index, row.linked});
        first = false;
    }
    return right;
}

} // namespace

GanttRow ganttRow(const Task& task)
{
    GanttRow row;
    row.name = task.name();
    row.start = task.start();
    row.finish = task.finish();
    row.linked = !task.getField(GetFieldId(kLinkField)).empty();
    if (task.isSummary()) {
        row.kind = GanttRowKind::Summary;
        return row;
    }
    const int count = task.splitPartCount();
    if (count == 0 && (task.duration() == Minutes{0} || row.start == row.finish)) {
        row.kind = GanttRowKind::Milestone;
        return row;
    }
    // An unsplit task's one part is its start and finish; only a split task needs its parts.
    if (count > 1)
        for (int index = 1; index <= count; ++index)
            row.parts.push_back(task.splitPart(index));
    return row;
}

GanttSpan ganttSpan(const std::vector<GanttRow>& rows, local_days fallback)
{
    if (rows.empty())
        return {mondayOf(fallback), 7};
    DateTime earliest = rows.front().start;
    DateTime latest = rows.front().finish;
    for (const GanttRow& row : rows) {
        earliest = std::min({earliest, row.start, row.finish});
        latest = std::max({latest, row.start, row.finish});
        for (const SplitPart& part : row.parts) {
            earliest = std::min(earliest, part.start);
            latest = std::max(latest, part.finish);
        }
    }
    // A day to spare on each side keeps milestones and link marks at the ends on the chart.
    const local_days first = mondayOf(dateOf(earliest) - days{1});
    const local_days lastDay = dateOf(latest) + days{1};
    const local_days sunday = lastDay + days{7 - isoWeekday(lastDay)};
    return {first, static_cast<int>((sunday - first).count()) + 1};
}

double GanttScale::x(DateTime moment) const
{
    const std::chrono::duration<double, std::ratio<86400>> fromFirst = moment - DateTime{span.first};
    return fromFirst.count() * pixelsPerDay;
}

GanttLayout layoutGantt(const std::vector<GanttRow>& rows, const GanttScale& scale, DateTime now)
{
    GanttLayout layout;
    for (int index = 0; index < static_cast<int>(rows.size()); ++index) {
        const GanttRow& row = rows[static_cast<std::size_t>(index)];
        const double right = addTaskShapes(layout.shapes, row, index, scale);
        if (row.linked) {
            const double side = 0.5 * scale.rowHeight;
            layout.shapes.push_back({GanttShapeKind::LinkMark,
                                     QRectF(right + 0.2 * scale.rowHeight,
                                            scale.top(index) + (scale.rowHeight - side) / 2, side, side),
                                     index, true});
        }
    }
    const double today = scale.x(now);
    if (today >= 0 && today <= scale.width())
        layout.today = today;
    return layout;
}

int calendarWeek(local_days day)
{
    // The week belongs to the year of its Thursday, and counts from that year's first Thursday.
    const local_days thursday = mondayOf(day) + days{3};
    const std::chrono::year_month_day date{thursday};
    const local_days newYear{date.year() / std::chrono::January / 1};
    return static_cast<int>((thursday - newYear).count()) / 7 + 1;
}

TimeScale timeScale(const GanttScale& scale)
{
    TimeScale result;
    for (int index = 0; index < scale.span.days; ++index) {
        const local_days day = scale.span.first + days{index};
        const double x = index * scale.pixelsPerDay;
        const std::chrono::year_month_day date{day};
        const unsigned weekday = isoWeekday(day);
        result.days.push_back(
            {x, scale.pixelsPerDay, QString::number(static_cast<unsigned>(date.day())), weekday >= 6});
        if (weekday == 1 || index == 0) {
            const int length = std::min(static_cast<int>(8 - weekday), scale.span.days - index);
            result.weeks.push_back({x, length * scale.pixelsPerDay,
                                    QString("KW %1, %2")
                                        .arg(calendarWeek(day))
                                        .arg(QString::fromStdString(formatGermanDate(DateTime{day}))),
                                    false});
        }
    }
    return result;
}

} // namespace zelvant
