#include "hosts/calendarfile/CalendarFile.h"

#include "hosts/calendarfile/ContentLine.h"
#include "hosts/calendarfile/EventReader.h"
#include "hosts/calendarfile/EventWriter.h"
#include "hosts/calendarfile/IcsDocument.h"
#include "hosts/calendarfile/ZoneTable.h"
#include "hosts/common/FileStore.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace zelvant {

namespace {

using namespace std::chrono;

// One VEVENT of the file, with the text that precedes it (blank lines, other components).
struct Record {
    std::string leading;
    std::string text;
    EventFacts facts;                          // facts.data: the fields as the file has them now
    std::shared_ptr<MemoryAppointment> item;   // null for a changed occurrence of a series, and
                                               // for an unreadable event that holds nothing of ours
    std::shared_ptr<MemoryAppointment> series; // the series such an occurrence belongs to, if shown
    bool hasUid = true;
};

enum class Outcome { Keep, Drop, Rewrite };

std::string hex(std::uint64_t value, int digits)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*llx", digits, static_cast<unsigned long long>(value));
    return buffer;
}

const std::string* valueIn(const AppointmentData& data, const std::string& name)
{
    for (const auto& [propertyName, value] : data.userProperties)
        if (propertyName == name)
            return &value;
    return nullptr;
}

// True when a field the program can change differs between the file and the item. A user
// property the file lacks reads as empty, so setting it to "" is no change.
bool differs(const AppointmentData& before, const AppointmentData& now)
{
    if (now.start != before.start || now.end != before.end || now.subject != before.subject ||
        now.busyStatus != before.busyStatus)
        return true;
    for (const auto& [name, value] : now.userProperties) {
        const std::string* old = valueIn(before, name);
        if ((old ? *old : std::string{}) != value)
            return true;
    }
    return false;
}

// True when the event holds a value of ours: a task may be linked to it.
bool carriesOurValues(const AppointmentData& data)
{
    return std::any_of(data.userProperties.begin(), data.userProperties.end(),
                       [](const auto& property) { return !property.second.empty(); });
}

std::string named(const std::string& subject)
{
    return subject.empty() ? "Termin ohne Titel" : "Termin \u201E" + subject + "\u201C";
}

} // namespace

struct CalendarFile::State {
    std::filesystem::path path;
    std::string timeZone;
    FileFingerprint fingerprint;
    std::unique_ptr<ZoneTable> zones;
    std::unordered_set<std::string> definedZones; // TZIDs of the file's VTIMEZONEs
    std::string newline;
    std::vector<Record> records;
    std::string beforeInsert; // after the last event, up to the last END:VCALENDAR
    std::string tail;         // from the last END:VCALENDAR on
    std::unordered_set<const MemoryAppointment*> known;
    std::vector<std::string> warnings;
    bool unreadableLinked = false;
    MemoryCalendar calendar;
    Clock clock = [] { return floor<seconds>(system_clock::now()); };
    std::mt19937_64 random{std::random_device{}()};

    EventReader reader() const { return EventReader(*zones); }
    EventWriter writer() const { return EventWriter(*zones, newline); }

    // A fresh UID for a new event.
    std::string newUid()
    {
        const std::uint64_t a = random(), b = random();
        return hex(a >> 32, 8) + "-" + hex((a >> 16) & 0xFFFF, 4) + "-4" + hex(a & 0xFFF, 3) + "-" +
               hex(0x8000 | ((b >> 48) & 0x3FFF), 4) + "-" + hex(b & 0xFFFFFFFFFFFFull, 12) + "@zelvant";
    }

    // Where new items start: the clock's minute on the user's wall clock.
    void setNow()
    {
        const DateTime utc{clock().time_since_epoch()};
        calendar.setNow(truncateToMinute(zones->convert(utc, zones->utc(), zones->user())));
    }
};

struct CalendarFile::Plan {
    std::vector<Outcome> outcomes;                 // one per record
    std::map<std::size_t, std::string> rewritten;  // record index -> new text
    std::map<std::size_t, AppointmentData> states; // record index -> what the new text says
    std::vector<std::pair<std::shared_ptr<MemoryAppointment>, std::string>> created;
    std::string zoneDefinition; // a VTIMEZONE for the user's zone, when the new texts need one
    bool changed = false;
};

CalendarFile::CalendarFile() : state_(std::make_unique<State>()) {}

CalendarFile::~CalendarFile() = default;

MemoryCalendar& CalendarFile::calendar() { return state_->calendar; }

const std::filesystem::path& CalendarFile::path() const { return state_->path; }

const std::string& CalendarFile::timeZone() const { return state_->timeZone; }

const std::vector<std::string>& CalendarFile::warnings() const { return state_->warnings; }

bool CalendarFile::hasUnreadableLinkedEvents() const { return state_->unreadableLinked; }

void CalendarFile::setClock(Clock clock)
{
    state_->clock = std::move(clock);
    state_->setNow();
}

std::string CalendarFile::systemTimeZone() { return ZoneTable::systemZoneName(); }

std::unique_ptr<CalendarFile> CalendarFile::load(const std::filesystem::path& path,
                                                 const std::string& timeZone)
{
    std::unique_ptr<CalendarFile> file(new CalendarFile());
    State& state = *file->state_;
    state.path = path;
    state.timeZone = timeZone;
    state.zones = std::make_unique<ZoneTable>(timeZone);

    const std::string content = readWholeFile(path);
    state.fingerprint = fingerprintOf(content);
    const IcsDocument document = IcsDocument::scan(content, path);
    state.newline = document.newline();
    for (const auto& zone : document.zones()) {
        state.definedZones.insert(zone.tzid);
        state.zones->define(zone.tzid, zone.text); // an unusable one falls back to the zone database
    }

    const EventReader reader = state.reader();
    std::size_t pos = 0;
    state.records.reserve(document.events().size());
    for (const auto& event : document.events()) {
        Record record;
        record.leading = content.substr(pos, event.begin - pos);
        record.text = content.substr(event.begin, event.end - event.begin);
        record.facts = reader.read(scanContentLines(record.text, event.lineNumber));
        record.hasUid = !record.facts.data.entryId.empty();
        state.records.push_back(std::move(record));
        pos = event.end;
    }
    state.beforeInsert = content.substr(pos, document.insertAt() - pos);
    state.tail = content.substr(document.insertAt());
    file->fillCalendar();
    return file;
}

void CalendarFile::fillCalendar()
{
    State& state = *state_;
    std::unordered_set<std::string> seriesUids, usedIds;
    for (const Record& record : state.records) {
        usedIds.insert(record.facts.data.entryId);
        if (!record.facts.isOverride && record.hasUid)
            seriesUids.insert(record.facts.data.entryId);
    }
    std::unordered_map<std::string, std::shared_ptr<MemoryAppointment>> series;
    for (Record& record : state.records) {
        const EventFacts& facts = record.facts;
        if (facts.isOverride && seriesUids.count(facts.data.entryId))
            continue; // a changed occurrence stays with its series
        AppointmentData data = facts.data;
        if (!facts.problem.empty()) {
            const std::string line = "Zeile " + std::to_string(facts.problemLine);
            state.warnings.push_back(state.path.string() + ": " + line + ": " + named(data.subject) +
                                     " bleibt unver\u00E4ndert: " + facts.problem);
            if (!carriesOurValues(data))
                continue; // nothing of ours in it: the run has no business with it
            // Linked: shown, so that its task does not take it for deleted, but never changed.
            data.unreadable = named(data.subject) + " (" + state.path.string() + ", " + line +
                              ") kann nicht gelesen werden und bleibt unver\u00E4ndert: " + facts.problem;
            state.unreadableLinked = true;
        }
        if (!record.hasUid) {
            // Derived from the event's text, so it is the same on every load until save writes it.
            const std::string base = "zelvant-" + hex(fingerprintOf(record.text).hash, 16);
            data.entryId = base + "@local";
            for (int n = 2; usedIds.count(data.entryId); ++n)
                data.entryId = base + "-" + std::to_string(n) + "@local";
            usedIds.insert(data.entryId);
        }
        record.item = state.calendar.addItem(std::move(data));
        state.known.insert(record.item.get());
        if (!facts.isOverride && record.hasUid)
            series.emplace(facts.data.entryId, record.item);
    }
    for (Record& record : state.records)
        if (!record.item && record.facts.isOverride)
            if (const auto found = series.find(record.facts.data.entryId); found != series.end())
                record.series = found->second;

    state.calendar.setEntryIdGenerator([&state] { return state.newUid(); });
    state.setNow();
}

CalendarFile::Plan CalendarFile::plan() const
{
    const State& state = *state_;
    const EventWriter writer = state.writer();
    const sys_seconds stamp = state.clock();
    Plan plan;
    bool usesUserZone = false;
    plan.outcomes.reserve(state.records.size());
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        Outcome outcome = Outcome::Keep;
        if (!record.item) {
            // an occurrence goes with its series; an unreadable event stays
            outcome = record.series && record.series->isDeleted() ? Outcome::Drop : Outcome::Keep;
        } else if (record.item->isDeleted()) {
            outcome = Outcome::Drop;
        } else if (record.item->isChanged() && !record.item->isUnreadable()) {
            AppointmentData now = record.item->snapshot();
            if (differs(record.facts.data, now)) {
                // changed by this run: written as a new version, with a UID if it had none
                outcome = Outcome::Rewrite;
                WrittenEvent written = writer.patch(record.text, record.facts, now, !record.hasUid, stamp);
                usesUserZone = usesUserZone || written.usesUserZone;
                plan.rewritten[i] = std::move(written.text);
                plan.states[i] = std::move(now);
            }
        }
        plan.changed = plan.changed || outcome != Outcome::Keep;
        plan.outcomes.push_back(outcome);
    }
    for (const auto& item : state.calendar.appointments())
        if (!state.known.count(item.get())) {
            WrittenEvent written = writer.create(item->snapshot(), stamp);
            usesUserZone = usesUserZone || written.usesUserZone;
            plan.created.emplace_back(item, std::move(written.text));
        }
    // Times in the user's zone name it by TZID; the file gets its definition once.
    if (usesUserZone && !state.definedZones.count(state.zones->userName()))
        plan.zoneDefinition = state.zones->userZoneDefinition(state.newline);
    plan.changed = plan.changed || !plan.created.empty();
    return plan;
}

std::string CalendarFile::compose(const Plan& plan) const
{
    const State& state = *state_;
    std::size_t size = state.beforeInsert.size() + state.tail.size() + plan.zoneDefinition.size();
    for (const Record& record : state.records)
        size += record.leading.size() + record.text.size();
    std::string out;
    out.reserve(size + size / 16 + 1024);
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        out += record.leading; // text between events stays, even when the event goes
        if (i == 0)
            out += plan.zoneDefinition; // before every event, as clients write their zones
        if (plan.outcomes[i] == Outcome::Keep)
            out += record.text;
        else if (plan.outcomes[i] == Outcome::Rewrite)
            out += plan.rewritten.at(i);
    }
    out += state.beforeInsert;
    if (state.records.empty())
        out += plan.zoneDefinition;
    for (const auto& [item, text] : plan.created)
        out += text;
    out += state.tail;
    return out;
}

void CalendarFile::adopt(Plan&& plan, const std::string& written)
{
    State& state = *state_;
    const EventReader reader = state.reader();
    const auto readWritten = [&](Record& record, AppointmentData now) {
        record.facts = reader.read(scanContentLines(record.text));
        now.allDay = record.facts.data.allDay; // what the file says now
        record.facts.data = std::move(now);
        record.hasUid = true;
    };
    if (!plan.zoneDefinition.empty()) {
        (state.records.empty() ? state.beforeInsert : state.records.front().leading) += plan.zoneDefinition;
        state.definedZones.insert(state.zones->userName());
    }
    std::vector<Record> next;
    next.reserve(state.records.size() + plan.created.size());
    std::string carried; // text before dropped events stays in front of the next one
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        Record& record = state.records[i];
        if (plan.outcomes[i] == Outcome::Drop) {
            carried += record.leading;
            if (record.item)
                state.known.erase(record.item.get());
            continue;
        }
        record.leading = carried + record.leading;
        carried.clear();
        if (plan.outcomes[i] == Outcome::Rewrite) {
            record.text = std::move(plan.rewritten.at(i));
            readWritten(record, std::move(plan.states.at(i)));
        }
        next.push_back(std::move(record));
    }
    state.beforeInsert = carried + state.beforeInsert;
    for (auto& [item, text] : plan.created) {
        Record record;
        record.leading = std::exchange(state.beforeInsert, std::string{});
        record.text = std::move(text);
        record.item = item;
        readWritten(record, item->snapshot());
        state.known.insert(item.get());
        next.push_back(std::move(record));
    }
    state.records = std::move(next);
    state.fingerprint = fingerprintOf(written);
}

std::string CalendarFile::render() const { return compose(plan()); }

bool CalendarFile::hasChanges() const { return plan().changed; }

bool CalendarFile::save()
{
    Plan next = plan();
    if (!next.changed)
        return false;
    const std::string content = compose(next);
    FileStore::replace(state_->path, content, &state_->fingerprint);
    adopt(std::move(next), content);
    return true;
}

} // namespace zelvant
