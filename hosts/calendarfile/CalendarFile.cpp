#include "hosts/calendarfile/CalendarFile.h"

#include "hostapi/Text.h"
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
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace zelvant {

namespace {

using namespace std::chrono;

// Where a piece of the file's text lies: `size` bytes from `begin`.
struct Slice {
    std::size_t begin = 0;
    std::size_t size = 0;
};

// One VEVENT of the file, with the text that precedes it (blank lines, other components).
struct Record {
    Slice leading{};
    Slice text{};
    // What a text this program wrote says: the fields as it wrote them. Null for a text as it
    // was read: its facts are read from it again when its item changes, as most never do.
    std::unique_ptr<EventFacts> written{};
    std::shared_ptr<MemoryAppointment> item{};   // null for a changed occurrence of a series, and
                                                 // for an unreadable event that holds nothing of ours
    std::shared_ptr<MemoryAppointment> series{}; // the series such an occurrence belongs to, if shown
    bool hasUid = true;
};

enum class Outcome { Keep, Drop, Rewrite };

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

} // namespace

struct CalendarFile::State {
    std::filesystem::path path;
    std::string timeZone;
    // The file's text as read or last written, once; the records and the rest are slices of it.
    // A save tells someone else's change by it; a run that saves nothing never looks at it again.
    std::string content;
    std::unique_ptr<ZoneTable> zones;
    std::unordered_set<std::string> definedZones; // TZIDs of the file's VTIMEZONEs
    std::string newline;
    std::vector<Record> records;
    Slice beforeInsert; // after the last event, up to the last END:VCALENDAR
    Slice tail;         // from the last END:VCALENDAR on
    // The items the file holds an event for, sorted: an item of the calendar that is not among
    // them is new and gets an event of its own.
    std::vector<const MemoryAppointment*> known;
    std::vector<std::string> warnings;
    bool unreadableLinked = false;
    MemoryCalendar calendar;
    Clock clock = [] { return floor<seconds>(system_clock::now()); };
    std::mt19937_64 random{std::random_device{}()};

    std::string_view text(Slice slice) const
    {
        return std::string_view(content).substr(slice.begin, slice.size);
    }

    // What a record's text says.
    EventFacts factsOf(const Record& record) const
    {
        return record.written ? *record.written : reader().read(scanContentLines(text(record.text)));
    }

    void collectKnown()
    {
        known.clear();
        known.reserve(records.size());
        for (const Record& record : records)
            if (record.item)
                known.push_back(record.item.get());
        std::sort(known.begin(), known.end());
    }

    bool isKnown(const MemoryAppointment* item) const
    {
        return std::binary_search(known.begin(), known.end(), item);
    }

    EventReader reader() const { return EventReader(*zones); }
    EventWriter writer() const { return EventWriter(*zones, newline); }

    // A fresh UID for a new event.
    std::string newUid()
    {
        const std::uint64_t a = random(), b = random();
        return hexDigits(a >> 32, 8) + "-" + hexDigits((a >> 16) & 0xFFFF, 4) + "-4" +
               hexDigits(a & 0xFFF, 3) + "-" + hexDigits(0x8000 | ((b >> 48) & 0x3FFF), 4) + "-" +
               hexDigits(b & 0xFFFFFFFFFFFFull, 12) + "@zelvant";
    }

    // Where new items start: the clock's minute on the user's wall clock.
    void setNow()
    {
        const DateTime utc{clock().time_since_epoch()};
        calendar.setNow(truncateToMinute(zones->convert(utc, zones->utc(), zones->user())));
    }
};

// Where the pieces of a composed text lie: per event that stays or is new, in file order, its
// leading text and its own; then what is left before END:VCALENDAR, and the rest.
struct CalendarFile::Layout {
    std::vector<std::pair<Slice, Slice>> events;
    Slice beforeInsert;
    Slice tail;
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

MemoryCalendar& CalendarFile::calendar()
{
    return state_->calendar;
}

const std::filesystem::path& CalendarFile::path() const
{
    return state_->path;
}

const std::string& CalendarFile::timeZone() const
{
    return state_->timeZone;
}

const std::vector<std::string>& CalendarFile::warnings() const
{
    return state_->warnings;
}

bool CalendarFile::hasUnreadableLinkedEvents() const
{
    return state_->unreadableLinked;
}

void CalendarFile::setClock(Clock clock)
{
    state_->clock = std::move(clock);
    state_->setNow();
}

std::string CalendarFile::appointmentName(const std::string& subject)
{
    return subject.empty() ? "Termin ohne Titel" : "Termin \u201E" + subject + "\u201C";
}

std::string CalendarFile::systemTimeZone()
{
    return ZoneTable::systemZoneName();
}

std::unique_ptr<CalendarFile> CalendarFile::load(const std::filesystem::path& path,
                                                 const std::string& timeZone)
{
    return fromText(readWholeFile(path), path, timeZone);
}

std::unique_ptr<CalendarFile> CalendarFile::fromText(std::string content_, const std::filesystem::path& path,
                                                     const std::string& timeZone)
{
    std::unique_ptr<CalendarFile> file(new CalendarFile());
    State& state = *file->state_;
    state.path = path;
    state.timeZone = timeZone;
    state.zones = std::make_unique<ZoneTable>(timeZone);

    state.content = std::move(content_);
    const std::string& content = state.content;
    const IcsDocument document = IcsDocument::scan(content, path);
    state.newline = document.newline();
    for (const auto& zone : document.zones()) {
        state.definedZones.insert(zone.tzid);
        state.zones->define(zone.tzid, zone.text); // an unusable one falls back to the zone database
    }

    state.records.reserve(document.events().size());
    std::size_t pos = 0;
    for (const auto& event : document.events()) {
        state.records.push_back(
            {.leading = {pos, event.begin - pos}, .text = {event.begin, event.end - event.begin}});
        pos = event.end;
    }
    state.beforeInsert = {pos, document.insertAt() - pos};
    state.tail = {document.insertAt(), content.size() - document.insertAt()};
    file->fillCalendar(document);
    return file;
}

void CalendarFile::fillCalendar(const IcsDocument& document)
{
    State& state = *state_;
    std::unordered_set<std::string> usedIds; // every UID of the file, once an event needs an ID made up

    // Shows the event as an item; false when it stays out of the calendar.
    const auto show = [&](Record& record, EventFacts& facts) {
        if (!facts.problem.empty()) {
            const std::string line = "Zeile " + std::to_string(facts.problemLine);
            state.warnings.push_back(state.path.string() + ": " + line + ": " +
                                     appointmentName(facts.data.subject) +
                                     " bleibt unver\u00E4ndert: " + facts.problem);
            if (!carriesOurValues(facts.data))
                return false; // nothing of ours in it: the run has no business with it
        }
        AppointmentData data = std::move(facts.data);
        if (!facts.problem.empty()) {
            // Linked: shown, so that its task does not take it for deleted, but never changed.
            data.unreadable = appointmentName(data.subject) + " (" + state.path.string() + ", Zeile " +
                              std::to_string(facts.problemLine) +
                              ") kann nicht gelesen werden und bleibt unver\u00E4ndert: " + facts.problem;
            state.unreadableLinked = true;
        }
        if (!record.hasUid) {
            // Derived from the event's text, so it is the same on every load until save writes it.
            const std::string base =
                "zelvant-" + hexDigits(fingerprintOf(std::string(state.text(record.text))).hash, 16);
            data.entryId = base + "@local";
            for (int n = 2; usedIds.count(data.entryId); ++n)
                data.entryId = base + "-" + std::to_string(n) + "@local";
            usedIds.insert(data.entryId);
        }
        record.item = state.calendar.addItem(std::move(data));
        return true;
    };

    // An event becomes an item as soon as it is read. From the first changed occurrence of a
    // series or the first event without a UID on, events wait until all are read: whether an
    // occurrence is shown depends on its series, which may come later, and an ID made up for an
    // event must differ from every UID in the file. Most files have neither.
    const EventReader reader = state.reader();
    std::vector<std::pair<std::size_t, EventFacts>> waiting;
    std::vector<std::string> unshownUids; // of events read before any waited that are not shown
    std::vector<ContentLine> lines;       // from event to event, so that their strings are made once
    state.calendar.reserve(state.records.size());
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        Record& record = state.records[i];
        scanContentLines(state.text(record.text), document.events()[i].lineNumber, lines);
        EventFacts facts = reader.read(lines);
        record.hasUid = !facts.data.entryId.empty();
        if (!waiting.empty() || facts.isOverride || !record.hasUid)
            waiting.emplace_back(i, std::move(facts));
        else if (!show(record, facts))
            unshownUids.push_back(std::move(facts.data.entryId));
    }
    if (!waiting.empty()) {
        // Every event read before the first waiting one is a series of its own with a UID.
        std::unordered_set<std::string> seriesUids(unshownUids.begin(), unshownUids.end());
        std::unordered_map<std::string, std::shared_ptr<MemoryAppointment>> series;
        for (std::size_t i = 0; i < waiting.front().first; ++i)
            if (const auto& item = state.records[i].item) {
                seriesUids.insert(item->entryId());
                series.emplace(item->entryId(), item);
            }
        usedIds.insert(seriesUids.begin(), seriesUids.end());
        for (const auto& [i, facts] : waiting) {
            usedIds.insert(facts.data.entryId);
            if (!facts.isOverride && state.records[i].hasUid)
                seriesUids.insert(facts.data.entryId);
        }
        for (auto& [i, facts] : waiting) {
            Record& record = state.records[i];
            if (facts.isOverride && seriesUids.count(facts.data.entryId))
                continue; // a changed occurrence stays with its series
            if (show(record, facts) && !facts.isOverride && record.hasUid)
                series.emplace(record.item->entryId(), record.item);
        }
        for (const auto& [i, facts] : waiting) {
            Record& record = state.records[i];
            if (!record.item && facts.isOverride)
                if (const auto found = series.find(facts.data.entryId); found != series.end())
                    record.series = found->second;
        }
    }
    state.collectKnown();

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
            const EventFacts facts = state.factsOf(record);
            if (differs(facts.data, now)) {
                // changed by this run: written as a new version, with a UID if it had none
                outcome = Outcome::Rewrite;
                WrittenEvent written =
                    writer.patch(state.text(record.text), facts, now, !record.hasUid, stamp);
                usesUserZone = usesUserZone || written.usesUserZone;
                plan.rewritten[i] = std::move(written.text);
                plan.states[i] = std::move(now);
            }
        }
        plan.changed = plan.changed || outcome != Outcome::Keep;
        plan.outcomes.push_back(outcome);
    }
    for (const auto& item : state.calendar.appointments())
        if (!state.isKnown(item.get())) {
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

std::string CalendarFile::compose(const Plan& plan, Layout* layout) const
{
    const State& state = *state_;
    std::string out;
    out.reserve(state.content.size() + state.content.size() / 16 + plan.zoneDefinition.size() + 1024);
    // Where the text in front of the next event begins: the text before an event that goes
    // stays, in front of the next one.
    std::size_t leadingBegin = 0;
    const auto putEvent = [&](std::string_view text) {
        const std::size_t begin = out.size();
        out += text;
        if (layout)
            layout->events.push_back({{leadingBegin, begin - leadingBegin}, {begin, text.size()}});
        leadingBegin = out.size();
    };
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        out += state.text(record.leading); // text between events stays, even when the event goes
        if (i == 0)
            out += plan.zoneDefinition; // before every event, as clients write their zones
        if (plan.outcomes[i] == Outcome::Keep)
            putEvent(state.text(record.text));
        else if (plan.outcomes[i] == Outcome::Rewrite)
            putEvent(plan.rewritten.at(i));
    }
    out += state.text(state.beforeInsert);
    if (state.records.empty())
        out += plan.zoneDefinition;
    const Slice beforeInsert{leadingBegin, out.size() - leadingBegin};
    for (const auto& [item, text] : plan.created)
        putEvent(text); // the first one takes what was before END:VCALENDAR as its leading text
    const Slice tail{out.size(), state.tail.size};
    out += state.text(state.tail);
    if (layout) {
        layout->beforeInsert = plan.created.empty() ? beforeInsert : Slice{leadingBegin, 0};
        layout->tail = tail;
    }
    return out;
}

void CalendarFile::adopt(Plan&& plan, std::string&& written, Layout&& layout)
{
    State& state = *state_;
    const EventReader reader = state.reader();
    auto event = layout.events.begin();
    // The record now holds text this program wrote: what it says is kept with it.
    const auto readWritten = [&](Record& record, AppointmentData now) {
        const std::string_view text = std::string_view(written).substr(record.text.begin, record.text.size);
        record.written = std::make_unique<EventFacts>(reader.read(scanContentLines(text)));
        now.allDay = record.written->data.allDay; // what the file says now
        record.written->data = std::move(now);
        record.hasUid = true;
    };
    if (!plan.zoneDefinition.empty())
        state.definedZones.insert(state.zones->userName());
    std::vector<Record> next;
    next.reserve(state.records.size() + plan.created.size());
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        Record& record = state.records[i];
        if (plan.outcomes[i] == Outcome::Drop)
            continue;
        std::tie(record.leading, record.text) = *event++;
        if (plan.outcomes[i] == Outcome::Rewrite)
            readWritten(record, std::move(plan.states.at(i)));
        next.push_back(std::move(record));
    }
    for (auto& [item, text] : plan.created) {
        Record record;
        std::tie(record.leading, record.text) = *event++;
        record.item = item;
        readWritten(record, item->snapshot());
        next.push_back(std::move(record));
    }
    state.records = std::move(next);
    state.beforeInsert = layout.beforeInsert;
    state.tail = layout.tail;
    state.content = std::move(written);
    state.collectKnown();
}

std::vector<CalendarFile::Edit> CalendarFile::edits() const
{
    const State& state = *state_;
    const EventWriter writer = state.writer();
    const sys_seconds stamp = state.clock();
    const auto valuesOf = [](const AppointmentData& data, std::vector<std::string>& values) {
        for (const auto& property : data.userProperties)
            if (!property.second.empty())
                values.push_back(property.second);
    };
    std::vector<Edit> edits;
    for (std::size_t i = 0; i < state.records.size(); ++i) {
        const Record& record = state.records[i];
        const MemoryAppointment* owner = record.item ? record.item.get() : record.series.get();
        if (!owner || !(owner->isDeleted() || (record.item && record.item->isChanged())))
            continue;
        if (owner->isDeleted()) {
            Edit edit{.kind = Edit::Deleted, .event = i, .subject = owner->snapshot().subject};
            valuesOf(state.factsOf(record).data, edit.values);
            edits.push_back(std::move(edit));
            continue;
        }
        if (record.item->isUnreadable())
            continue;
        const AppointmentData now = record.item->snapshot();
        const EventFacts facts = state.factsOf(record);
        if (!differs(facts.data, now))
            continue;
        WrittenEvent written = writer.patch(state.text(record.text), facts, now, !record.hasUid, stamp);
        Edit edit{.kind = Edit::Changed,
                  .event = i,
                  .text = std::move(written.text),
                  .usesUserZone = written.usesUserZone,
                  .subject = now.subject};
        valuesOf(facts.data, edit.values);
        valuesOf(now, edit.values);
        edits.push_back(std::move(edit));
    }
    for (const auto& item : state.calendar.appointments())
        if (!state.isKnown(item.get())) {
            const AppointmentData now = item->snapshot();
            WrittenEvent written = writer.create(now, stamp);
            Edit edit{.kind = Edit::Created,
                      .text = std::move(written.text),
                      .usesUserZone = written.usesUserZone,
                      .uid = now.entryId,
                      .subject = now.subject};
            valuesOf(now, edit.values);
            edits.push_back(std::move(edit));
        }
    return edits;
}

std::string CalendarFile::userZoneDefinition() const
{
    return state_->zones->userZoneDefinition(state_->newline);
}

std::string CalendarFile::render() const
{
    return compose(plan(), nullptr);
}

bool CalendarFile::hasChanges() const
{
    return plan().changed;
}

bool CalendarFile::save()
{
    Plan next = plan();
    if (!next.changed)
        return false;
    Layout layout;
    std::string content = compose(next, &layout);
    const FileFingerprint expected = fingerprintOf(state_->content);
    FileStore::replace(state_->path, content, &expected);
    adopt(std::move(next), std::move(content), std::move(layout));
    return true;
}

} // namespace zelvant
