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
#include <unordered_set>
#include <utility>

namespace zelvant {

namespace {

using namespace std::chrono;

// One VEVENT of the file, with the text that precedes it (blank lines, other components).
struct Record {
    std::string leading;
    std::string text;
    EventFacts facts; // facts.data: the fields as the file has them now
    std::shared_ptr<MemoryAppointment> item;   // null for a changed occurrence of a series
    std::shared_ptr<MemoryAppointment> series; // the series such an occurrence belongs to
    bool hasUid = true;
};

enum class Outcome { Keep, Drop, Rewrite };

std::string hex(std::uint64_t value, int digits)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*llx", digits, static_cast<unsigned long long>(value));
    return buffer;
}

// True when a field the program can change differs between the file and the item.
bool differs(const AppointmentData& before, const AppointmentData& now)
{
    if (now.start != before.start || now.end != before.end || now.subject != before.subject ||
        now.busyStatus != before.busyStatus)
        return true;
    for (const auto& [name, value] : now.userProperties) {
        const auto old = std::find_if(before.userProperties.begin(), before.userProperties.end(),
                                      [&](const auto& property) { return property.first == name; });
        if (old == before.userProperties.end() || old->second != value)
            return true;
    }
    return false;
}

} // namespace

struct CalendarFile::State {
    std::filesystem::path path;
    std::string timeZone;
    FileFingerprint fingerprint;
    std::unique_ptr<ZoneTable> zones;
    std::string newline;
    std::vector<Record> records;
    std::string beforeInsert; // after the last event, up to the last END:VCALENDAR
    std::string tail;         // from the last END:VCALENDAR on
    std::unordered_set<const MemoryAppointment*> known;
    MemoryCalendar calendar;
    std::mt19937_64 random{std::random_device{}()};

    EventReader reader() const { return EventReader(*zones, path); }
    EventWriter writer() const { return EventWriter(*zones, newline); }

    // A fresh UID for a new event.
    std::string newUid()
    {
        const std::uint64_t a = random(), b = random();
        return hex(a >> 32, 8) + "-" + hex((a >> 16) & 0xFFFF, 4) + "-4" + hex(a & 0xFFF, 3) + "-" +
               hex(0x8000 | ((b >> 48) & 0x3FFF), 4) + "-" + hex(b & 0xFFFFFFFFFFFFull, 12) + "@zelvant";
    }
};

struct CalendarFile::Plan {
    std::vector<Outcome> outcomes;                 // one per record
    std::map<std::size_t, std::string> rewritten;  // record index -> new text
    std::map<std::size_t, AppointmentData> states; // record index -> what the new text says
    std::vector<std::pair<std::shared_ptr<MemoryAppointment>, std::string>> created;
    bool changed = false;
};

CalendarFile::CalendarFile() : state_(std::make_unique<State>()) {}

CalendarFile::~CalendarFile() = default;

MemoryCalendar& CalendarFile::calendar() { return state_->calendar; }

const std::filesystem::path& CalendarFile::path() const { return state_->path; }

const std::string& CalendarFile::timeZone() const { return state_->timeZone; }

std::string CalendarFile::systemTimeZone() { return ZoneTable::systemZoneName(); }

std::unique_ptr<CalendarFile> CalendarFile::load(const std::filesystem::path& path, const std::string& timeZone)
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
    for (const auto& zone : document.zones())
        state.zones->define(zone.tzid, zone.text); // an unusable one falls back to the zone database

    const EventReader reader = state.reader();
    std::size_t pos = 0;
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
    std::map<std::string, std::shared_ptr<MemoryAppointment>> series;
    for (Record& record : state.records) {
        AppointmentData data = record.facts.data;
        if (record.facts.isOverride && seriesUids.count(data.entryId))
            continue; // a changed occurrence stays with its series
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
        if (!record.facts.isOverride && record.hasUid)
            series.emplace(record.facts.data.entryId, record.item);
    }
    for (Record& record : state.records)
        if (!record.item)
            record.series = series.at(record.facts.data.entryId);

    state.calendar.setEntryIdGenerator([&state] { return state.newUid(); });
    const auto nowUtc = DateTime{floor<seconds>(system_clock::now()).time_since_epoch()};
    state.calendar.setNow(truncateToMinute(state.zones->convert(nowUtc, state.zones->utc(), state.zones->user())));
}

CalendarFile::Plan CalendarFile::plan() const
{
    const State& state = *state_;
    const EventWriter writer = state.writer();
    Plan plan;
    plan.outcomes.reserve(state.records.size());
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        Outcome outcome = Outcome::Keep;
        if (!record.item) {
            outcome = record.series->isDeleted() ? Outcome::Drop : Outcome::Keep;
        } else if (record.item->isDeleted()) {
            outcome = Outcome::Drop;
        } else if (record.item->isChanged() || !record.hasUid) {
            AppointmentData now = record.item->snapshot();
            if (differs(record.facts.data, now) || !record.hasUid) {
                outcome = Outcome::Rewrite;
                plan.rewritten[i] = writer.patch(record.text, record.facts, record.facts.data, now, !record.hasUid);
                plan.states[i] = std::move(now);
            }
        }
        plan.changed = plan.changed || outcome != Outcome::Keep;
        plan.outcomes.push_back(outcome);
    }
    const auto stamp = floor<seconds>(system_clock::now());
    for (const auto& item : state.calendar.appointments())
        if (!state.known.count(item.get()))
            plan.created.emplace_back(item, writer.create(item->snapshot(), stamp));
    plan.changed = plan.changed || !plan.created.empty();
    return plan;
}

std::string CalendarFile::compose(const Plan& plan) const
{
    const State& state = *state_;
    std::size_t size = state.beforeInsert.size() + state.tail.size();
    for (const Record& record : state.records)
        size += record.leading.size() + record.text.size();
    std::string out;
    out.reserve(size + size / 16 + 1024);
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        out += record.leading; // text between events stays, even when the event goes
        if (plan.outcomes[i] == Outcome::Keep)
            out += record.text;
        else if (plan.outcomes[i] == Outcome::Rewrite)
            out += plan.rewritten.at(i);
    }
    out += state.beforeInsert;
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
        record.facts.data = std::move(now);
        record.hasUid = true;
    };
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
