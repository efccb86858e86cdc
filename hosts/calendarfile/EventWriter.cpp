#include "hosts/calendarfile/EventWriter.h"

#include "hostapi/Text.h"
#include "hosts/calendarfile/ContentLine.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace zelvant {

namespace {

using namespace std::chrono;

bool isMidnight(DateTime time)
{
    return timeOfDay(time) == seconds{0};
}

// A non-negative number of at most nine digits, as sequence numbers are; nothing for anything else.
std::optional<long> smallNumber(std::string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool equalsIgnoringCase(std::string_view text, std::string_view upper)
{
    text = trimmed(text);
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i])
            return false;
    return true;
}

// The value a user property had before, or nullptr when it did not exist.
const std::string* valueIn(const AppointmentData& data, const std::string& name)
{
    for (const auto& [propertyName, value] : data.userProperties)
        if (propertyName == name)
            return &value;
    return nullptr;
}

} // namespace

// The edits to one event's lines: replaced or dropped lines, lines after a given line, and
// lines at the end of the event's own properties (before any VALARM and END:VEVENT).
class EventWriter::Patch {
public:
    explicit Patch(std::string_view text)
        : text_(text), lines_(scanContentLines(text)), own_(ownProperties(lines_))
    {
    }

    /// The first own property of that name, or nullptr.
    const ContentLine* find(std::string_view name) const
    {
        for (const ContentLine* line : own_)
            if (line->name == name)
                return line;
        return nullptr;
    }

    /// The own property that holds a user property, or nullptr.
    const ContentLine* findUserProperty(const std::string& name) const
    {
        for (const ContentLine* line : own_)
            if (EventReader::userPropertyName(*line) == name)
                return line;
        return nullptr;
    }

    /// Puts `text` where the first property of that name is and drops the others; appends it when there is
    /// none.
    void set(std::string_view name, std::string text)
    {
        bool placed = false;
        for (const ContentLine* line : own_) {
            if (line->name != name)
                continue;
            replaced_[line] = placed ? std::string{} : text;
            placed = true;
        }
        if (!placed)
            appended_.push_back(std::move(text));
    }

    /// Puts `text` where the first line of that user property is and drops the others; appends
    /// it when there is none. An empty `text` removes the property.
    void setUserProperty(const std::string& name, std::string text)
    {
        bool placed = false;
        for (const ContentLine* line : own_) {
            if (EventReader::userPropertyName(*line) != name)
                continue;
            replaced_[line] = placed ? std::string{} : text;
            placed = true;
        }
        if (!placed && !text.empty())
            appended_.push_back(std::move(text));
    }

    /// The own properties, for edits that look at several of them.
    const std::vector<const ContentLine*>& own() const { return own_; }

    void replace(const ContentLine* line, std::string text) { replaced_[line] = std::move(text); }
    void insertAfter(const ContentLine* line, std::string text)
    {
        if (line)
            after_[line] += text;
        else
            appended_.push_back(std::move(text));
    }
    void append(std::string text) { appended_.push_back(std::move(text)); }

    /// The event's text with the edits applied.
    std::string result() const
    {
        std::string out;
        out.reserve(text_.size() + 256);
        std::size_t pos = 0;
        const ContentLine* insertion = insertionLine();
        for (const ContentLine& line : lines_) {
            out.append(text_.substr(pos, line.begin - pos));
            if (&line == insertion)
                for (const std::string& text : appended_)
                    out += text;
            const auto edit = replaced_.find(&line);
            if (edit != replaced_.end())
                out += edit->second;
            else
                out.append(text_.substr(line.begin, line.end - line.begin));
            if (const auto extra = after_.find(&line); extra != after_.end())
                out += extra->second;
            pos = line.end;
        }
        out.append(text_.substr(pos));
        return out;
    }

private:
    // New properties go after the event's own ones: before a nested component or END:VEVENT.
    const ContentLine* insertionLine() const
    {
        for (std::size_t i = 1; i < lines_.size(); ++i)
            if (lines_[i].name == "BEGIN" || lines_[i].name == "END")
                return &lines_[i];
        return nullptr;
    }

    std::string_view text_;
    std::vector<ContentLine> lines_;
    std::vector<const ContentLine*> own_;
    std::map<const ContentLine*, std::string> replaced_;
    std::map<const ContentLine*, std::string> after_;
    std::vector<std::string> appended_;
};

std::string EventWriter::formatDateTime(DateTime time)
{
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{time - day};
    char buffer[80]; // room for any value the types allow, though a year has four digits
    std::snprintf(buffer, sizeof buffer, "%04d%02u%02uT%02ld%02ld%02ld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                  long(clock.minutes().count()), long(clock.seconds().count()));
    return buffer;
}

std::string EventWriter::line(std::string_view unfolded) const
{
    return foldLine(unfolded, newline_);
}

IcsTime EventWriter::calendarZone() const
{
    if (zones_.userIsUtc())
        return {IcsTime::Kind::Utc, {}, nullptr};
    return {IcsTime::Kind::Zoned, zones_.userName(), zones_.userAsWritten()};
}

std::string EventWriter::timeLine(const std::string& name, DateTime userTime, const IcsTime& how,
                                  bool asWritten, const ContentLine* keepHead) const
{
    // `asWritten`: the time is the event's own wall clock already (Exchange's all-day midnights).
    std::string params, value;
    switch (how.kind) {
    case IcsTime::Kind::Date:
        params = ";VALUE=DATE";
        value = formatYmd(userTime);
        break;
    case IcsTime::Kind::Zoned: {
        const DateTime local = asWritten ? userTime : zones_.convert(userTime, zones_.user(), how.zone);
        // A zone whose definition does not take its own time back to the same moment (a damaged
        // VTIMEZONE with an impossible offset) would read back another time: UTC says it exactly.
        if (!asWritten && zones_.convert(local, how.zone, zones_.user()) != userTime &&
            zones_.convert(zones_.convert(userTime, zones_.user(), zones_.utc()), zones_.utc(),
                           zones_.user()) == userTime) {
            value = formatDateTime(zones_.convert(userTime, zones_.user(), zones_.utc())) + "Z";
            break;
        }
        params = ";TZID=" + formatParamValue(how.tzid);
        value = formatDateTime(local);
        break;
    }
    case IcsTime::Kind::Floating:
        value = formatDateTime(userTime);
        break;
    default:
        value = formatDateTime(asWritten ? userTime : zones_.convert(userTime, zones_.user(), zones_.utc())) +
                "Z";
    }
    // A line that keeps its style keeps its parameters as the file spelt them (quotes, X- ones).
    const std::string head = keepHead && keepHead->hasValue ? keepHead->head : name + params;
    return line(head + ":" + value);
}

bool EventWriter::writeTimes(Patch& edit, const EventFacts& facts, const AppointmentData& now) const
{
    const AppointmentData& before = facts.data;
    // An all-day event moved to other midnights stays one, in the style the file gave it.
    const bool allDay =
        before.allDay && now.allDay && isMidnight(now.start) && isMidnight(now.end) && now.end > now.start;
    IcsTime startHow = facts.start;
    IcsTime endHow = facts.end;
    // A date event that now has times of day, or an event without a start, gets times in the
    // calendar's zone; every time line is then written anew.
    const bool restyled =
        !allDay && (startHow.kind == IcsTime::Kind::Date || startHow.kind == IcsTime::Kind::Missing);
    if (restyled)
        startHow = calendarZone();
    if (restyled || (!allDay && endHow.kind == IcsTime::Kind::Date))
        endHow = startHow;
    const bool asWritten = allDay && facts.allDayStyle == AllDayStyle::Midnights;
    const bool endRestyled = restyled || endHow.kind != facts.end.kind;

    if (now.start != before.start || restyled)
        edit.set("DTSTART", timeLine("DTSTART", now.start, startHow, asWritten,
                                     restyled ? nullptr : edit.find("DTSTART")));
    if (facts.end.kind != IcsTime::Kind::Missing) {
        if (now.end != before.end || endRestyled)
            edit.set("DTEND", timeLine("DTEND", now.end, endHow, asWritten,
                                       endRestyled ? nullptr : edit.find("DTEND")));
    } else if (facts.hasDuration && now.end >= now.start) {
        edit.set("DURATION", line("DURATION:" + formatDuration(now.end - now.start, allDay)));
    } else if (facts.hasDuration) {
        // An event has no negative length; an end before the start is said as it is.
        edit.set("DURATION", {});
        edit.insertAfter(edit.find("DTSTART"), timeLine("DTEND", now.end, startHow, asWritten, nullptr));
    } else if (now.end != now.start + (startHow.kind == IcsTime::Kind::Date ? hours{24} : hours{0})) {
        edit.insertAfter(edit.find("DTSTART"), timeLine("DTEND", now.end, startHow, asWritten, nullptr));
    }
    // Microsoft's all-day mark says what the event is now; a file without one needs none.
    const std::string flag = allDay ? "TRUE" : "FALSE";
    for (const ContentLine* property : edit.own())
        if (EventReader::isAllDayFlag(*property) && !equalsIgnoringCase(property->value, flag))
            edit.replace(property, line(property->head + ":" + flag));
    return restyled && startHow.kind == IcsTime::Kind::Zoned;
}

std::string EventWriter::formatDuration(seconds length, bool inDays)
{
    std::string text = length < seconds{0} ? "-P" : "P";
    long total = std::labs(long(length.count()));
    if (inDays && total % 86400 == 0)
        return text + std::to_string(total / 86400) + "D";
    // Hours, not days: a day of a timed event would follow daylight saving changes.
    text += "T";
    if (total >= 3600)
        text += std::to_string(total / 3600) + "H";
    if (total % 3600 >= 60)
        text += std::to_string(total % 3600 / 60) + "M";
    if (total % 60 != 0 || total == 0)
        text += std::to_string(total % 60) + "S";
    return text;
}

std::string EventWriter::busyValue(BusyStatus status)
{
    switch (status) {
    case BusyStatus::Free:
        return "FREE";
    case BusyStatus::Tentative:
        return "TENTATIVE";
    case BusyStatus::OutOfOffice:
        return "OOF";
    default:
        return "BUSY";
    }
}

std::string EventWriter::userPropertyLine(const std::string& name, const std::string& value) const
{
    const std::string xName = EventReader::xNameFor(name);
    // The X-name is upper case and dashed; the parameter keeps the name as the program spells it.
    const bool nameShows = xName == "X-ZELVANT-" + name;
    return line(xName + (nameShows ? "" : ";X-ZELVANT-NAME=" + formatParamValue(name)) + ":" +
                escapeText(value));
}

WrittenEvent EventWriter::patch(std::string_view text, const EventFacts& facts, const AppointmentData& now,
                                bool addUid, std::optional<sys_seconds> stamp) const
{
    Patch edit(text);
    const AppointmentData& before = facts.data;
    WrittenEvent written;
    if (now.start != before.start || now.end != before.end)
        written.usesUserZone = writeTimes(edit, facts, now);
    if (now.subject != before.subject) {
        const ContentLine* summary = edit.find("SUMMARY");
        const std::string head = summary ? summary->head : "SUMMARY";
        edit.set("SUMMARY", line(head + ":" + escapeText(now.subject)));
    }
    if (now.busyStatus != before.busyStatus) {
        const ContentLine* busy = edit.find("X-MICROSOFT-CDO-BUSYSTATUS");
        const std::string head = busy ? busy->head : "X-MICROSOFT-CDO-BUSYSTATUS";
        edit.set("X-MICROSOFT-CDO-BUSYSTATUS", line(head + ":" + busyValue(now.busyStatus)));
        edit.set("TRANSP", line(now.busyStatus == BusyStatus::Free ? "TRANSP:TRANSPARENT" : "TRANSP:OPAQUE"));
    }
    for (const auto& [name, value] : now.userProperties) {
        const std::string* old = valueIn(before, name);
        if ((old ? *old : std::string{}) == value)
            continue;
        // An emptied property goes: a missing one reads as empty, and no empty line is left behind.
        const ContentLine* existing = edit.findUserProperty(name);
        if (value.empty())
            edit.setUserProperty(name, {});
        else
            edit.setUserProperty(name, existing ? line(existing->head + ":" + escapeText(value))
                                                : userPropertyLine(name, value));
    }
    if (stamp) {
        // A new version of the event, as RFC 5545 asks (3.8.7.2 to 3.8.7.4), so that clients
        // and servers that compare versions take the change.
        const std::string when = formatDateTime(DateTime{stamp->time_since_epoch()}) + "Z";
        edit.set("DTSTAMP", line("DTSTAMP:" + when));
        edit.set("LAST-MODIFIED", line("LAST-MODIFIED:" + when));
        edit.set("SEQUENCE", line("SEQUENCE:" + std::to_string(facts.sequence + 1)));
        // Outlook takes its own copy of the number before SEQUENCE; it moves on with it.
        for (const ContentLine* property : edit.own())
            if (property->name == "X-MICROSOFT-CDO-APPT-SEQUENCE")
                if (const auto number = smallNumber(property->value))
                    edit.replace(property, line(property->head + ":" + std::to_string(*number + 1)));
    }
    if (addUid)
        edit.append(line("UID:" + escapeText(now.entryId)));
    written.text = edit.result();
    return written;
}

WrittenEvent EventWriter::create(const AppointmentData& now, sys_seconds stamp) const
{
    const std::string begin = "BEGIN:VEVENT" + newline_;
    const std::string end = "END:VEVENT" + newline_;
    std::string text = begin;
    text += line("UID:" + escapeText(now.entryId));
    text += line("DTSTAMP:" + formatDateTime(DateTime{stamp.time_since_epoch()}) + "Z");
    text += end;
    // The rest is a patch of this bare event from a state that differs from `now` in every field.
    EventFacts facts;
    AppointmentData& nothing = facts.data;
    nothing.start = now.start + seconds{1};
    nothing.end = now.end + seconds{1};
    nothing.subject = now.subject + "x";
    nothing.busyStatus = now.busyStatus == BusyStatus::Free ? BusyStatus::Busy : BusyStatus::Free;
    WrittenEvent created = patch(text, facts, now, false, std::nullopt);
    if (!now.categories.empty()) {
        std::string categories = "CATEGORIES:";
        for (std::size_t i = 0; i < now.categories.size(); ++i)
            categories += (i ? "," : "") + escapeText(now.categories[i]);
        created.text.insert(created.text.size() - end.size(), line(categories));
    }
    return created;
}

} // namespace zelvant
