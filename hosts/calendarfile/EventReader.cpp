#include "hosts/calendarfile/EventReader.h"

#include "hostapi/Text.h"

#include <cctype>
#include <optional>
#include <stdexcept>

namespace zelvant {

namespace {

using namespace std::chrono;

constexpr std::string_view kUserPrefix = "X-ZELVANT-";
constexpr std::string_view kNameParam = "X-ZELVANT-NAME";
constexpr long kSecondsPerDay = 86400;
// Far more than any calendar reaches, and well inside a 32-bit number, so that adding one for a
// changed event cannot overflow.
constexpr long kMaxSequence = 1000000000;

// Thrown while reading an event whose times cannot be taken; read() turns it into the event's
// `problem`, so one bad event never fails the whole file.
struct Unreadable {
    int line;
    std::string problem;
};

[[noreturn]] void unreadable(const ContentLine& line, const std::string& problem)
{
    throw Unreadable{line.lineNumber, problem};
}

// A value quoted in a message, cut short so that a runaway value cannot flood it.
std::string shown(std::string_view value)
{
    constexpr std::size_t kShown = 40;
    std::string text(value.substr(0, kShown));
    if (value.size() > kShown) {
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.pop_back(); // never half a character
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0)
            text.pop_back();
        text += "\u2026";
    }
    return "\u201E" + text + "\u201C";
}

[[noreturn]] void invalidDuration(const ContentLine& line)
{
    unreadable(line, "DURATION ist keine g\u00FCltige Dauer: " + shown(line.value) + ".");
}

[[noreturn]] void durationTooLong(const ContentLine& line)
{
    unreadable(line, "DURATION ist l\u00E4nger als " + std::to_string(EventReader::kMaxDurationDays / 365) +
                         " Jahre: " + shown(line.value) + ".");
}

std::optional<int> digits(std::string_view text, std::size_t pos, std::size_t count)
{
    if (pos + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

enum class DateCheck { Ok, Invalid, OutOfRange };

// "20240506" or "20240506T093000" (a trailing "Z" is the caller's business).
DateCheck parseDateTime(std::string_view text, DateTime& result)
{
    const auto y = digits(text, 0, 4), mo = digits(text, 4, 2), d = digits(text, 6, 2);
    if (!y || !mo || !d)
        return DateCheck::Invalid;
    int h = 0, mi = 0, s = 0;
    if (text.size() != 8) {
        const auto hh = digits(text, 9, 2), mm = digits(text, 11, 2), ss = digits(text, 13, 2);
        if (text[8] != 'T' || text.size() != 15 || !hh || !mm || !ss || *hh > 23 || *mm > 59 || *ss > 60)
            return DateCheck::Invalid;
        h = *hh;
        mi = *mm;
        s = std::min(*ss, 59); // a leap second counts as the second before it
    }
    try {
        result = makeDateTime(*y, unsigned(*mo), unsigned(*d), unsigned(h), unsigned(mi), unsigned(s));
    } catch (const std::invalid_argument&) {
        return DateCheck::Invalid;
    }
    return *y < EventReader::kFirstYear || *y > EventReader::kLastYear ? DateCheck::OutOfRange
                                                                       : DateCheck::Ok;
}

// "DTSTART liegt nicht in den Jahren 1600 bis 2200"
std::string outOfRange(const std::string& what)
{
    return what + " liegt nicht in den Jahren " + std::to_string(EventReader::kFirstYear) + " bis " +
           std::to_string(EventReader::kLastYear);
}

bool isMidnight(DateTime time)
{
    return timeOfDay(time) == seconds{0};
}

// True while a presented moment stays inside the years events may lie in.
bool inRange(DateTime time)
{
    const int y = int(year_month_day{floor<days>(time)}.year());
    return y >= EventReader::kFirstYear && y <= EventReader::kLastYear;
}

std::string upperCase(std::string_view view)
{
    std::string text(view);
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

const ContentLine* firstNamed(const std::vector<const ContentLine*>& properties, std::string_view name)
{
    for (const ContentLine* line : properties)
        if (line->name == name && line->hasValue)
            return line;
    return nullptr;
}

} // namespace

std::vector<const ContentLine*> ownProperties(const std::vector<ContentLine>& lines)
{
    std::vector<const ContentLine*> own;
    own.reserve(lines.size());
    int depth = 0;
    for (const ContentLine& line : lines) {
        const std::string_view name = line.name; // compared by length first
        if (name == "BEGIN")
            ++depth;
        else if (name == "END")
            --depth;
        else if (depth == 1)
            own.push_back(&line);
    }
    return own;
}

std::string EventReader::userPropertyName(const ContentLine& line)
{
    if (line.name.size() <= kUserPrefix.size() || line.name.compare(0, kUserPrefix.size(), kUserPrefix) != 0)
        return {};
    if (const IcsParam* named = line.param(kNameParam); named && !named->value.empty())
        return named->value;
    return line.name.substr(kUserPrefix.size());
}

std::string EventReader::xNameFor(const std::string& userPropertyName)
{
    std::string name(kUserPrefix);
    for (unsigned char c : userPropertyName) {
        if ((c & 0xC0) == 0x80)
            continue; // one dash per UTF-8 character, not per byte
        name += std::isalnum(c) && c < 0x80 ? char(std::toupper(c)) : '-';
    }
    return name;
}

bool EventReader::isAllDayFlag(const ContentLine& line)
{
    // Outlook and Exchange write the first, Outlook.com and Hotmail the second.
    const std::string_view name = line.name;
    return name == "X-MICROSOFT-CDO-ALLDAYEVENT" || name == "X-MICROSOFT-MSNCALENDAR-ALLDAYEVENT";
}

EventReader::Moment EventReader::readMoment(const ContentLine& line) const
{
    const IcsParam* tzidParam = line.param("TZID");
    std::string_view tzid = tzidParam ? std::string_view(tzidParam->value) : std::string_view{};
    std::string_view value = line.value;
    if (!line.hasValue) {
        // Exchange writes some series as DTSTART;TZID="zone:20200609T090000": the value
        // slipped into the quotes. Take it from there rather than lose the event's start.
        const std::size_t colon = tzid.rfind(':');
        if (colon == std::string_view::npos)
            unreadable(line, line.name + " hat keinen Wert.");
        value = tzid.substr(colon + 1);
        tzid = tzid.substr(0, colon);
    }
    const bool utc = !value.empty() && (value.back() == 'Z' || value.back() == 'z');
    if (utc)
        value.remove_suffix(1);
    Moment moment;
    switch (parseDateTime(value, moment.wall)) {
    case DateCheck::Invalid:
        unreadable(line, line.name + " ist kein g\u00FCltiges Datum: " + shown(line.value) + ".");
    case DateCheck::OutOfRange:
        unreadable(line, outOfRange(line.name) + ": " + shown(line.value) + ".");
    case DateCheck::Ok:
        break;
    }
    const IcsParam* type = line.param("VALUE");
    if (value.size() == 8 || (type && upperCase(type->value) == "DATE"))
        moment.how.kind = IcsTime::Kind::Date;
    else if (utc)
        moment.how.kind = IcsTime::Kind::Utc;
    else if (!tzid.empty()) {
        moment.how.kind = IcsTime::Kind::Zoned;
        moment.how.tzid = tzid;
        moment.how.zone = zones_.find(moment.how.tzid);
        if (!moment.how.zone)
            unreadable(line, "Die Zeitzone " + shown(tzid) +
                                 " ist weder in der Datei (VTIMEZONE) noch in der "
                                 "Zeitzonen-Datenbank des Systems bekannt.");
    } else {
        moment.how.kind = IcsTime::Kind::Floating;
    }
    return moment;
}

DateTime EventReader::presented(const Moment& moment) const
{
    switch (moment.how.kind) {
    case IcsTime::Kind::Utc:
        return zones_.convert(moment.wall, zones_.utc(), zones_.user());
    case IcsTime::Kind::Zoned:
        return zones_.convert(moment.wall, moment.how.zone, zones_.user());
    default:
        return moment.wall; // dates and floating times mean the same wall clock everywhere
    }
}

// "P1D", "PT1H30M", "P2W", "P1DT12H" (RFC 5545, 3.3.6): whole numbers, no sign but a plus.
EventReader::Duration EventReader::readDuration(const ContentLine& line)
{
    const std::string& text = line.value;
    const auto negative = [&] { unreadable(line, "DURATION ist negativ: " + shown(text) + "."); };
    if (!text.empty() && text[0] == '-')
        negative();
    PeriodFault fault = PeriodFault::Unreadable;
    const auto period = parseIsoPeriod(text, seconds{kMaxDurationDays * kSecondsPerDay}, &fault);
    if (!period && fault == PeriodFault::OutOfRange)
        durationTooLong(line);
    if (!period || period->fractional)
        invalidDuration(line);
    if (period->negative)
        negative();
    // Bounded by kMaxDurationDays, so both parts fit.
    return {long(period->days), long(period->seconds)};
}

long EventReader::readSequence(const ContentLine& line)
{
    const std::string value(trimmed(line.value));
    long sequence = 0;
    for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || sequence > kMaxSequence / 10)
            unreadable(line, "SEQUENCE ist keine g\u00FCltige Zahl: " + shown(line.value) + ".");
        sequence = sequence * 10 + (c - '0');
    }
    if (value.empty() || sequence > kMaxSequence)
        unreadable(line, "SEQUENCE ist keine g\u00FCltige Zahl: " + shown(line.value) + ".");
    return sequence;
}

DateTime EventReader::endFromDuration(const Moment& start, const Duration& duration) const
{
    // Days are calendar days in the event's own zone; hours, minutes and seconds are exact.
    const DateTime endWall = start.wall + days{duration.days};
    if (start.how.kind == IcsTime::Kind::Date || start.how.kind == IcsTime::Kind::Floating)
        return endWall + seconds{duration.seconds};
    const ZoneTable::Zone* zone = start.how.kind == IcsTime::Kind::Utc ? zones_.utc() : start.how.zone;
    const DateTime endUtc = zones_.convert(endWall, zone, zones_.utc()) + seconds{duration.seconds};
    return zones_.convert(endUtc, zones_.utc(), zones_.user());
}

BusyStatus EventReader::busyStatus(const std::vector<const ContentLine*>& properties)
{
    if (const ContentLine* line = firstNamed(properties, "X-MICROSOFT-CDO-BUSYSTATUS")) {
        const std::string value = upperCase(trimmed(line->value));
        if (value == "FREE")
            return BusyStatus::Free;
        if (value == "TENTATIVE")
            return BusyStatus::Tentative;
        if (value == "BUSY")
            return BusyStatus::Busy;
        if (value == "OOF" || value == "OUTOFOFFICE")
            return BusyStatus::OutOfOffice;
    }
    const ContentLine* transp = firstNamed(properties, "TRANSP");
    if (transp && upperCase(trimmed(transp->value)) == "TRANSPARENT")
        return BusyStatus::Free;
    // OPAQUE only says "not free"; STATUS tells a tentative event from a firm one.
    const ContentLine* status = firstNamed(properties, "STATUS");
    const std::string state = status ? upperCase(trimmed(status->value)) : std::string{};
    if (state == "TENTATIVE")
        return BusyStatus::Tentative;
    if (state == "CANCELLED" && !transp)
        return BusyStatus::Free;
    return BusyStatus::Busy;
}

void EventReader::readTimes(EventFacts& facts, const ContentLine* dtstart, const ContentLine* dtend,
                            const ContentLine* duration, bool allDayFlag) const
{
    AppointmentData& data = facts.data;
    if (!dtstart) {
        if (dtend) {
            const Moment end = readMoment(*dtend);
            facts.end = end.how;
            data.start = data.end = presented(end);
            if (!inRange(data.end))
                unreadable(*dtend, outOfRange(dtend->name) + ".");
        }
        return;
    }
    const Moment start = readMoment(*dtstart);
    facts.start = start.how;
    data.start = presented(start);
    DateTime endWall; // in the end's own zone, as the file writes it
    const ContentLine* endLine = dtstart;
    if (dtend) {
        const Moment end = readMoment(*dtend);
        facts.end = end.how;
        data.end = presented(end);
        endWall = end.wall;
        endLine = dtend;
    } else if (duration) {
        facts.hasDuration = true;
        const Duration length = readDuration(*duration);
        data.end = endFromDuration(start, length);
        endWall = start.wall + days{length.days} + seconds{length.seconds};
        endLine = duration;
    } else {
        // No end: a day for a date, an instant for a time.
        const seconds length = start.how.kind == IcsTime::Kind::Date ? seconds{days{1}} : seconds{0};
        data.end = data.start + length;
        endWall = start.wall + length;
    }
    // Each date was in range as written; a zone or a duration may still carry it out.
    if (!inRange(data.start))
        unreadable(*dtstart, outOfRange(dtstart->name) + ".");
    if (!inRange(data.end))
        unreadable(*endLine, outOfRange("Das Ende des Termins") + ".");

    // Whole days: dates, or Exchange's midnights of the event's own zone with its all-day mark.
    // Those are the days themselves, whatever zone the user is in, so they are shown unconverted.
    if (start.how.kind == IcsTime::Kind::Date) {
        data.allDay = isMidnight(data.end) && data.end > data.start;
        facts.allDayStyle = data.allDay ? AllDayStyle::Dates : AllDayStyle::None;
    } else if (allDayFlag && isMidnight(start.wall) && isMidnight(endWall) && endWall > start.wall) {
        data.allDay = true;
        facts.allDayStyle = AllDayStyle::Midnights;
        data.start = start.wall;
        data.end = endWall;
    } else if (allDayFlag) {
        // Marked all-day, but written as the organiser's midnights in another zone: whole days
        // only when they are midnights for the user too.
        data.allDay = isMidnight(data.start) && isMidnight(data.end) && data.end > data.start;
    }
}

EventFacts EventReader::read(const std::vector<ContentLine>& lines) const
{
    const std::vector<const ContentLine*> properties = ownProperties(lines);
    EventFacts facts;
    AppointmentData& data = facts.data;
    const ContentLine* dtstart = nullptr;
    const ContentLine* dtend = nullptr;
    const ContentLine* duration = nullptr;
    const ContentLine* sequence = nullptr;
    bool hasSubject = false, allDayFlag = false;
    for (const ContentLine* line : properties) {
        const std::string_view name = line->name; // compared by length first
        if (name == "DTSTART" && !dtstart)
            dtstart = line;
        else if (name == "DTEND" && !dtend)
            dtend = line;
        else if (name == "DURATION" && !duration && line->hasValue)
            duration = line;
        else if (name == "RECURRENCE-ID")
            facts.isOverride = true;
        else if (!line->hasValue)
            continue;
        else if (name == "UID" && data.entryId.empty())
            data.entryId = unescapeText(line->value);
        else if (name == "SUMMARY" && !hasSubject) {
            data.subject = unescapeText(line->value);
            hasSubject = true;
        } else if (name == "SEQUENCE" && !sequence)
            sequence = line;
        else if (name == "CATEGORIES") {
            for (const std::string& part : splitTextList(line->value))
                if (std::string category(trimmed(unescapeText(part))); !category.empty())
                    data.categories.push_back(std::move(category));
        } else if (isAllDayFlag(*line)) {
            allDayFlag = allDayFlag || upperCase(trimmed(line->value)) == "TRUE";
        } else if (std::string user = userPropertyName(*line); !user.empty()) {
            data.userProperties.emplace_back(std::move(user), unescapeText(line->value));
        }
    }
    data.busyStatus = busyStatus(properties);
    try {
        if (sequence)
            facts.sequence = readSequence(*sequence);
        readTimes(facts, dtstart, dtend, duration, allDayFlag);
    } catch (const Unreadable& error) {
        facts.problem = error.problem;
        facts.problemLine = error.line;
        data.start = data.end = DateTime{};
        data.allDay = false;
    }
    return facts;
}

} // namespace zelvant
