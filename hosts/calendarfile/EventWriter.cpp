#include "hosts/calendarfile/EventWriter.h"

#include "hosts/calendarfile/ContentLine.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace zelvant {

namespace {

using namespace std::chrono;

bool isMidnight(DateTime time) { return timeOfDay(time) == seconds{0}; }

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
    explicit Patch(std::string_view text) : text_(text), lines_(scanContentLines(text)), own_(ownProperties(lines_))
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

    /// Puts `text` where the first property of that name is and drops the others; appends it when there is none.
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
    std::snprintf(buffer, sizeof buffer, "%04d%02u%02uT%02ld%02ld%02ld", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), long(clock.hours().count()), long(clock.minutes().count()),
                  long(clock.seconds().count()));
    return buffer;
}

std::string EventWriter::line(std::string_view unfolded) const { return foldLine(unfolded, newline_); }

std::string EventWriter::timeLine(const std::string& name, DateTime userTime, const IcsTime& how) const
{
    switch (how.kind) {
    case IcsTime::Kind::Date:
        return line(name + ";VALUE=DATE:" + formatYmd(userTime));
    case IcsTime::Kind::Zoned:
        return line(name + ";TZID=" + formatParamValue(how.tzid) + ":" +
                    formatDateTime(zones_.convert(userTime, zones_.user(), how.zone)));
    case IcsTime::Kind::Floating:
        return line(name + ":" + formatDateTime(userTime));
    default:
        return line(name + ":" + formatDateTime(zones_.convert(userTime, zones_.user(), zones_.utc())) + "Z");
    }
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
    return line(xName + (nameShows ? "" : ";X-ZELVANT-NAME=" + formatParamValue(name)) + ":" + escapeText(value));
}

std::string EventWriter::patch(std::string_view text, const EventFacts& facts, const AppointmentData& before,
                               const AppointmentData& now, bool addUid) const
{
    Patch edit(text);
    const bool startMoved = now.start != before.start;
    const bool endMoved = now.end != before.end;
    if (startMoved || endMoved) {
        // An all-day event stays one while it covers whole days; otherwise both ends become times.
        const bool wasDate = facts.start.kind == IcsTime::Kind::Date;
        const bool asDate = wasDate && isMidnight(now.start) && isMidnight(now.end) && now.end > now.start;
        const bool styleChanged = wasDate != asDate;
        IcsTime startHow = facts.start;
        if (asDate)
            startHow.kind = IcsTime::Kind::Date;
        else if (wasDate || facts.start.kind == IcsTime::Kind::Missing)
            startHow = {IcsTime::Kind::Utc, {}, nullptr};
        if (startMoved || styleChanged)
            edit.set("DTSTART", timeLine("DTSTART", now.start, startHow));
        if (facts.end.kind != IcsTime::Kind::Missing) {
            const bool followStart = asDate || styleChanged || facts.end.kind == IcsTime::Kind::Date;
            if (endMoved || styleChanged)
                edit.set("DTEND", timeLine("DTEND", now.end, followStart ? startHow : facts.end));
        } else if (facts.hasDuration) {
            edit.set("DURATION", line("DURATION:" + formatDuration(now.end - now.start, asDate)));
        } else if (now.end != now.start + (asDate ? hours{24} : hours{0})) {
            edit.insertAfter(edit.find("DTSTART"), timeLine("DTEND", now.end, startHow));
        }
    }
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
        if (old && *old == value)
            continue;
        if (const ContentLine* existing = edit.findUserProperty(name))
            edit.replace(existing, line(existing->head + ":" + escapeText(value)));
        else
            edit.append(userPropertyLine(name, value));
    }
    if (addUid)
        edit.append(line("UID:" + escapeText(now.entryId)));
    return edit.result();
}

std::string EventWriter::create(const AppointmentData& now, sys_seconds stamp) const
{
    const std::string begin = "BEGIN:VEVENT" + newline_;
    const std::string end = "END:VEVENT" + newline_;
    std::string text = begin;
    text += line("UID:" + escapeText(now.entryId));
    text += line("DTSTAMP:" + formatDateTime(DateTime{stamp.time_since_epoch()}) + "Z");
    text += end;
    // The rest is a patch of this bare event from a state that differs from `now` in every field.
    EventFacts facts;
    AppointmentData nothing;
    nothing.start = now.start + seconds{1};
    nothing.end = now.end + seconds{1};
    nothing.subject = now.subject + "x";
    nothing.busyStatus = now.busyStatus == BusyStatus::Free ? BusyStatus::Busy : BusyStatus::Free;
    std::string created = patch(text, facts, nothing, now, false);
    if (!now.categories.empty()) {
        std::string categories = "CATEGORIES:";
        for (std::size_t i = 0; i < now.categories.size(); ++i)
            categories += (i ? "," : "") + escapeText(now.categories[i]);
        created.insert(created.size() - end.size(), line(categories));
    }
    return created;
}

} // namespace zelvant
