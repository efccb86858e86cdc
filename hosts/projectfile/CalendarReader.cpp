#include "hosts/projectfile/CalendarReader.h"

#include "hosts/projectfile/ContentError.h"
#include "hosts/projectfile/MspdiValues.h"

#include <algorithm>
#include <climits>
#include <set>

namespace zelvant {

using namespace std::chrono;

namespace {

// A range of dates longer than this is cut short rather than expanded day by day.
constexpr int kMaxRangeDays = 40 * 366;

// The plan's default working day, used where a working day states no hours.
const WorkCalendar::Intervals& defaultDay()
{
    static const WorkCalendar::Intervals day{{8 * 60, 12 * 60}, {13 * 60, 17 * 60}};
    return day;
}

int intValue(pugi::xml_node parent, const char* name, int fallback)
{
    // A number beyond 32 bits is no code or count of a calendar: read like one that is missing.
    const auto value = mspdi::parseInteger(parent.child_value(name));
    return value && *value >= INT_MIN && *value <= INT_MAX ? static_cast<int>(*value) : fallback;
}

local_days dateValue(pugi::xml_node parent, const char* name)
{
    pugi::xml_node node = parent.child(name);
    const auto value = mspdi::parseDateTime(node.child_value());
    if (!value)
        throw ContentError(node ? node : parent, std::string("Datum <") + name + "> fehlt oder ist ungültig");
    return dateOf(*value);
}

// The dates of a TimePeriod, first and last included; an over-long range is cut short.
std::pair<local_days, local_days> dateRange(pugi::xml_node owner)
{
    pugi::xml_node period = owner.child("TimePeriod");
    const local_days from = dateValue(period, "FromDate");
    const local_days to = std::min(dateValue(period, "ToDate"), from + days{kMaxRangeDays});
    return {from, to};
}

// True when `day` matches a month item: 0 any day, 1 a weekday, 2 a weekend day, 3-9 Sunday-Saturday.
bool matchesItem(local_days day, int item)
{
    const unsigned weekdayNumber = weekday{day}.c_encoding();
    switch (item) {
    case 0:
        return true;
    case 1:
        return weekdayNumber >= 1 && weekdayNumber <= 5;
    case 2:
        return weekdayNumber == 0 || weekdayNumber == 6;
    default:
        return int(weekdayNumber) == item - 3;
    }
}

// True when `day` is the n-th (position 0-3) or last (position 4) day of its month matching `item`.
bool atPosition(local_days day, int item, int position)
{
    const year_month_day date{day};
    const local_days first{date.year() / date.month() / 1};
    const local_days last{date.year() / date.month() / std::chrono::last};
    std::vector<local_days> matching;
    for (local_days d = first; d <= last; d += days{1})
        if (matchesItem(d, item))
            matching.push_back(d);
    if (matching.empty())
        return false;
    if (position >= 4)
        return day == matching.back();
    return position >= 0 && position < int(matching.size()) && day == matching[position];
}

// The recurrence of a calendar exception (Project XML exception types 1-8).
struct Recurrence {
    int type = 1;
    int period = 1;
    int daysOfWeek = 0; // bit 0 Sunday ... bit 6 Saturday
    int month = 0;      // 0 = January
    int monthDay = 1;
    int monthItem = 0;
    int monthPosition = 0;

    bool occursOn(local_days day, local_days from) const
    {
        const year_month_day date{day};
        const year_month_day start{from};
        const int dayIndex = static_cast<int>((day - from).count());
        const int monthIndex = (int(date.year()) - int(start.year())) * 12 +
                               (int(unsigned(date.month())) - int(unsigned(start.month())));
        const int yearIndex = int(date.year()) - int(start.year());
        switch (type) {
        case 1: // daily
        case 7: // daily, given by a count
            return dayIndex % period == 0;
        case 8: // every weekday
            return matchesItem(day, 1);
        case 6: { // weekly on chosen weekdays
            const int week = (dayIndex + int(weekday{from}.c_encoding())) / 7;
            return week % period == 0 && (daysOfWeek >> weekday{day}.c_encoding() & 1);
        }
        case 4: // monthly on a day of the month
            return monthIndex % period == 0 && int(unsigned(date.day())) == monthDay;
        case 5: // monthly at a position, e.g. the second Tuesday
            return monthIndex % period == 0 && atPosition(day, monthItem, monthPosition);
        case 2: // yearly on a date
            return yearIndex % period == 0 && int(unsigned(date.month())) == month + 1 &&
                   int(unsigned(date.day())) == monthDay;
        case 3: // yearly at a position, e.g. the fourth Thursday of November
            return yearIndex % period == 0 && int(unsigned(date.month())) == month + 1 &&
                   atPosition(day, monthItem, monthPosition);
        default:
            return false;
        }
    }
};

// True when a weekday entry says something of its own: in a derived calendar a working day
// without hours, or a day marked as default, takes its hours from the base calendar.
bool statesWeekday(pugi::xml_node day, bool isBase)
{
    const int working = intValue(day, "DayWorking", 0);
    if (isBase)
        return true;
    return working == 0 || (working == 1 && day.child("WorkingTimes").child("WorkingTime"));
}

} // namespace

std::vector<FileCalendar> CalendarReader::read(pugi::xml_node calendars)
{
    std::map<int, Stated> all;
    std::vector<int> order;
    for (pugi::xml_node node : calendars.children("Calendar")) {
        Stated stated = readStated(node);
        if (all.count(stated.uid))
            throw ContentError(node, "Kalender-UID " + std::to_string(stated.uid) + " kommt doppelt vor");
        order.push_back(stated.uid);
        all.emplace(stated.uid, std::move(stated));
    }
    std::vector<FileCalendar> result;
    for (const int uid : order) {
        const Stated& stated = all.at(uid);
        result.push_back({uid, stated.name, stated.isBase, resolve(stated, all)});
    }
    return result;
}

CalendarReader::Stated CalendarReader::readStated(pugi::xml_node calendar)
{
    Stated stated;
    stated.uid = intValue(calendar, "UID", -1);
    stated.name = calendar.child_value("Name");
    stated.baseUid = intValue(calendar, "BaseCalendarUID", -1);
    // Newer files write BaseCalendarUID 0 for a base calendar, older ones -1: trust IsBaseCalendar.
    stated.isBase =
        calendar.child("IsBaseCalendar") ? intValue(calendar, "IsBaseCalendar", 1) != 0 : stated.baseUid < 0;
    for (pugi::xml_node day : calendar.child("WeekDays").children("WeekDay")) {
        const int dayType = intValue(day, "DayType", -1);
        if (dayType == 0)
            readLegacyException(day, stated);
        else if (dayType >= 1 && dayType <= 7 && statesWeekday(day, stated.isBase))
            stated.weekdays[dayType - 1] = readDay(day);
    }
    for (pugi::xml_node week : calendar.child("WorkWeeks").children("WorkWeek"))
        readWorkWeek(week, stated);
    // Files since 2007 write each exception twice, as an Exception and as a legacy day entry;
    // the Exception is the complete one, so it replaces whatever the legacy entries said.
    if (pugi::xml_node exceptions = calendar.child("Exceptions"); exceptions.child("Exception")) {
        stated.exceptions.clear();
        for (pugi::xml_node exception : exceptions.children("Exception"))
            readException(exception, stated);
    }
    return stated;
}

CalendarReader::Intervals CalendarReader::readDay(pugi::xml_node day)
{
    if (intValue(day, "DayWorking", 0) == 0)
        return {};
    Intervals intervals;
    for (pugi::xml_node time : day.child("WorkingTimes").children("WorkingTime")) {
        const auto from = mspdi::parseTimeOfDay(time.child_value("FromTime"));
        const auto to = mspdi::parseTimeOfDay(time.child_value("ToTime"));
        if (!from || !to)
            throw ContentError(time, "Arbeitszeit ohne lesbare Von- oder Bis-Zeit");
        // A working time that ends at 00:00:00 ends at midnight, the end of the day.
        intervals.push_back({*from, *to == 0 ? 24 * 60 : *to});
    }
    if (intervals.empty())
        return defaultDay();
    std::sort(intervals.begin(), intervals.end(),
              [](const WorkInterval& a, const WorkInterval& b) { return a.from < b.from; });
    for (std::size_t i = 0; i < intervals.size(); ++i)
        if (intervals[i].from >= intervals[i].to || (i > 0 && intervals[i].from < intervals[i - 1].to))
            throw ContentError(day, "Arbeitszeiten überschneiden sich oder sind ungültig");
    return intervals;
}

void CalendarReader::readLegacyException(pugi::xml_node day, Stated& stated)
{
    const auto [from, to] = dateRange(day);
    const Intervals intervals = readDay(day);
    for (local_days date = from; date <= to; date += days{1})
        stated.exceptions[date] = intervals;
}

void CalendarReader::readException(pugi::xml_node exception, Stated& stated)
{
    const auto [from, to] = dateRange(exception);
    const Intervals intervals = readDay(exception);
    Recurrence recurrence;
    recurrence.type = intValue(exception, "Type", 1);
    recurrence.period = std::max(1, intValue(exception, "Period", 1));
    recurrence.daysOfWeek = intValue(exception, "DaysOfWeek", 0);
    recurrence.month = intValue(exception, "Month", 0);
    recurrence.monthDay = intValue(exception, "MonthDay", 1);
    recurrence.monthItem = intValue(exception, "MonthItem", 0);
    recurrence.monthPosition = intValue(exception, "MonthPosition", 0);
    const bool byCount = intValue(exception, "EnteredByOccurrences", 0) != 0;
    int left = byCount ? intValue(exception, "Occurrences", 1) : kMaxRangeDays;
    for (local_days date = from; date <= to && left > 0; date += days{1}) {
        if (recurrence.occursOn(date, from)) {
            stated.exceptions[date] = intervals;
            --left;
        }
    }
}

void CalendarReader::readWorkWeek(pugi::xml_node week, Stated& stated)
{
    const auto [from, to] = dateRange(week);
    std::array<std::optional<Intervals>, 7> days;
    for (pugi::xml_node day : week.child("WeekDays").children("WeekDay")) {
        const int dayType = intValue(day, "DayType", -1);
        if (dayType >= 1 && dayType <= 7)
            days[dayType - 1] = readDay(day);
    }
    for (local_days date = from; date <= to; date += std::chrono::days{1})
        if (const auto& day = days[weekday{date}.c_encoding()])
            stated.workWeekDays[date] = *day;
}

WorkCalendar CalendarReader::resolve(const Stated& stated, const std::map<int, Stated>& all)
{
    // The chain from this calendar down to its base calendar, guarded against loops.
    std::vector<const Stated*> chain{&stated};
    std::set<int> seen{stated.uid};
    while (!chain.back()->isBase) {
        const auto base = all.find(chain.back()->baseUid);
        if (base == all.end() || !seen.insert(base->first).second)
            break;
        chain.push_back(&base->second);
    }
    WorkCalendar calendar(stated.name);
    for (unsigned day = 0; day < 7; ++day) {
        Intervals intervals = (day >= 1 && day <= 5) ? defaultDay() : Intervals{};
        for (const Stated* link : chain)
            if (link->weekdays[day]) {
                intervals = *link->weekdays[day];
                break;
            }
        calendar.setWeekday(weekday{day}, intervals);
    }
    // The base's dated entries first, so that the derived calendar's own win.
    // Iterators, not std::views::reverse, which does not build with clang 14 and libstdc++ 12.
    // NOLINTNEXTLINE(modernize-loop-convert)
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        for (const auto& [date, intervals] : (*link)->workWeekDays)
            calendar.setException(date, intervals);
        for (const auto& [date, intervals] : (*link)->exceptions)
            calendar.setException(date, intervals);
    }
    return calendar;
}

} // namespace zelvant
