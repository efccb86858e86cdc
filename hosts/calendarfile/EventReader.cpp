#include "hosts/calendarfile/EventReader.h"

#include "hosts/common/FileStore.h"

#include <cctype>
#include <optional>
#include <stdexcept>

namespace zelvant {

namespace {

using namespace std::chrono;

constexpr std::string_view kUserPrefix = "X-ZELVANT-";
constexpr std::string_view kNameParam = "X-ZELVANT-NAME";

struct IcsDuration {
    long days = 0;
    long seconds = 0;
};

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

// "20240506" or "20240506T093000" (a trailing "Z" is the caller's business).
std::optional<DateTime> parseDateTime(std::string_view text)
{
    const auto y = digits(text, 0, 4), mo = digits(text, 4, 2), d = digits(text, 6, 2);
    if (!y || !mo || !d)
        return std::nullopt;
    int h = 0, mi = 0, s = 0;
    if (text.size() > 8) {
        const auto hh = digits(text, 9, 2), mm = digits(text, 11, 2), ss = digits(text, 13, 2);
        if (text[8] != 'T' || text.size() != 15 || !hh || !mm || !ss || *hh > 23 || *mm > 59 || *ss > 60)
            return std::nullopt;
        h = *hh;
        mi = *mm;
        s = std::min(*ss, 59); // a leap second counts as the second before it
    }
    try {
        return makeDateTime(*y, unsigned(*mo), unsigned(*d), unsigned(h), unsigned(mi), unsigned(s));
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

// "P1D", "PT1H30M", "-P2W", "P1DT12H".
std::optional<IcsDuration> parseDuration(std::string_view text)
{
    std::size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++pos;
    if (pos >= text.size() || text[pos] != 'P')
        return std::nullopt;
    ++pos;
    IcsDuration duration;
    bool inTime = false, any = false;
    long number = -1;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            number = (number < 0 ? 0 : number) * 10 + (c - '0');
            continue;
        }
        if (c == 'T' && number < 0 && !inTime) {
            inTime = true;
            continue;
        }
        if (number < 0)
            return std::nullopt;
        if (!inTime && c == 'W')
            duration.days += number * 7;
        else if (!inTime && c == 'D')
            duration.days += number;
        else if (inTime && c == 'H')
            duration.seconds += number * 3600;
        else if (inTime && c == 'M')
            duration.seconds += number * 60;
        else if (inTime && c == 'S')
            duration.seconds += number;
        else
            return std::nullopt;
        number = -1;
        any = true;
    }
    if (!any || number >= 0)
        return std::nullopt;
    if (negative) {
        duration.days = -duration.days;
        duration.seconds = -duration.seconds;
    }
    return duration;
}

std::string upperCase(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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
    int depth = 0;
    for (const ContentLine& line : lines) {
        if (line.name == "BEGIN")
            ++depth;
        else if (line.name == "END")
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

void EventReader::fail(const ContentLine& line, const std::string& problem) const
{
    throw FileError(path_, "Zeile " + std::to_string(line.lineNumber) + ": " + problem);
}

EventReader::Moment EventReader::readMoment(const ContentLine& line) const
{
    const IcsParam* tzidParam = line.param("TZID");
    std::string tzid = tzidParam ? tzidParam->value : std::string{};
    std::string value = line.value;
    if (!line.hasValue) {
        // Exchange writes some series as DTSTART;TZID="zone:20200609T090000": the value
        // slipped into the quotes. Take it from there rather than lose the event's start.
        const std::size_t colon = tzid.rfind(':');
        if (colon == std::string::npos)
            fail(line, line.name + " hat keinen Wert.");
        value = tzid.substr(colon + 1);
        tzid.resize(colon);
    }
    const bool utc = !value.empty() && (value.back() == 'Z' || value.back() == 'z');
    if (utc)
        value.pop_back();
    const auto wall = parseDateTime(value);
    if (!wall)
        fail(line, line.name + " ist kein g\u00FCltiges Datum: \u201E" + line.value + "\u201C.");
    Moment moment{*wall, {}};
    const IcsParam* type = line.param("VALUE");
    if (value.size() == 8 || (type && upperCase(type->value) == "DATE"))
        moment.how.kind = IcsTime::Kind::Date;
    else if (utc)
        moment.how.kind = IcsTime::Kind::Utc;
    else if (!tzid.empty()) {
        moment.how.kind = IcsTime::Kind::Zoned;
        moment.how.tzid = tzid;
        moment.how.zone = zones_.find(tzid);
        if (!moment.how.zone)
            fail(line, "Die Zeitzone \u201E" + tzid + "\u201C ist weder in der Datei (VTIMEZONE) noch in der "
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

DateTime EventReader::endFromDuration(const Moment& start, const ContentLine& line) const
{
    const auto duration = parseDuration(line.value);
    if (!duration)
        fail(line, "DURATION ist keine g\u00FCltige Dauer: \u201E" + line.value + "\u201C.");
    // Days are calendar days in the event's own zone; hours, minutes and seconds are exact.
    const DateTime endWall = start.wall + days{duration->days};
    if (start.how.kind == IcsTime::Kind::Date || start.how.kind == IcsTime::Kind::Floating)
        return endWall + seconds{duration->seconds};
    const ZoneTable::Zone* zone = start.how.kind == IcsTime::Kind::Utc ? zones_.utc() : start.how.zone;
    const DateTime endUtc = zones_.convert(endWall, zone, zones_.utc()) + seconds{duration->seconds};
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

EventFacts EventReader::read(const std::vector<ContentLine>& lines) const
{
    const std::vector<const ContentLine*> properties = ownProperties(lines);
    EventFacts facts;
    AppointmentData& data = facts.data;
    const ContentLine* dtstart = nullptr;
    const ContentLine* dtend = nullptr;
    const ContentLine* duration = nullptr;
    bool hasSubject = false;
    for (const ContentLine* line : properties) {
        const std::string& name = line->name;
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
        } else if (name == "CATEGORIES") {
            for (const std::string& part : splitTextList(line->value))
                if (std::string category = trimmed(unescapeText(part)); !category.empty())
                    data.categories.push_back(std::move(category));
        } else if (std::string user = userPropertyName(*line); !user.empty()) {
            data.userProperties.emplace_back(std::move(user), unescapeText(line->value));
        }
    }
    data.busyStatus = busyStatus(properties);

    if (dtstart) {
        const Moment start = readMoment(*dtstart);
        facts.start = start.how;
        data.start = presented(start);
        data.allDay = start.how.kind == IcsTime::Kind::Date;
        if (dtend) {
            const Moment end = readMoment(*dtend);
            facts.end = end.how;
            data.end = presented(end);
        } else if (duration) {
            facts.hasDuration = true;
            data.end = endFromDuration(start, *duration);
        } else {
            // No end: a day for a date, an instant for a time.
            data.end = data.start + (data.allDay ? hours{24} : hours{0});
        }
    } else if (dtend) {
        const Moment end = readMoment(*dtend);
        facts.end = end.how;
        data.start = data.end = presented(end);
    }
    return facts;
}

} // namespace zelvant
