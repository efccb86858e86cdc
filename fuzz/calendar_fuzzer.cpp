// The calendar file: loaded as the program loads it, each readable appointment given a link
// value and its subject again, one appointment added, as a linking run does; the text the
// program's writer makes of that is loaded again, and every appointment must come back as it
// was, with the values written, in the same order, the new one last.

#include "engine/LinkModel.h"
#include "fuzz/FuzzSupport.h"
#include "hostapi/HostError.h"
#include "hosts/calendarfile/CalendarFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace zelvant;

namespace {

const std::string kZone = "Europe/Berlin";

struct EventView {
    bool readable = true;
    std::string subject;
    DateTime start{};
    DateTime end{};
    bool allDay = false;
    BusyStatus busy{};
    std::string categories;
    std::vector<std::pair<std::string, std::string>> properties;

    bool operator==(const EventView&) const = default;
};

std::vector<EventView> viewOf(MemoryCalendar& calendar)
{
    std::vector<EventView> view;
    for (const auto& item : calendar.appointments()) {
        EventView& row = view.emplace_back();
        row.readable = !item->isUnreadable();
        row.subject = item->subject();
        row.properties = item->snapshot().userProperties;
        if (!row.readable)
            continue;
        row.start = item->start();
        row.end = item->end();
        row.allDay = item->allDayEvent();
        row.busy = item->busyStatus();
        row.categories = item->categories();
    }
    return view;
}

void setProperty(EventView& row, const std::string& name, const std::string& value)
{
    for (auto& [have, stored] : row.properties)
        if (have == name) {
            stored = value;
            return;
        }
    row.properties.emplace_back(name, value);
}

std::string describe(std::size_t index, const EventView& want, const EventView& got)
{
    std::string text = "event " + std::to_string(index) + ":";
    if (want.readable != got.readable)
        text += " readable " + std::to_string(want.readable) + " -> " + std::to_string(got.readable);
    if (want.subject != got.subject)
        text += " subject '" + want.subject + "' -> '" + got.subject + "'";
    if (want.start != got.start || want.end != got.end || want.allDay != got.allDay)
        text += " times " + formatIso(want.start) + ".." + formatIso(want.end) + " -> " +
                formatIso(got.start) + ".." + formatIso(got.end);
    if (want.busy != got.busy || want.categories != got.categories)
        text += " busy status or categories differ";
    if (want.properties != got.properties)
        text += " user properties differ";
    return text;
}

std::unique_ptr<CalendarFile> load(const std::filesystem::path& path)
{
    auto file = CalendarFile::load(path, kZone);
    // A fixed clock: new items start there and changes are stamped with it.
    file->setClock(
        [] { return std::chrono::sys_days{std::chrono::year{2024} / 3 / 30} + std::chrono::hours{12}; });
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = fuzz::writeScratch("Kalender.ics", {reinterpret_cast<const char*>(data), size});
    std::unique_ptr<CalendarFile> file;
    try {
        file = load(path);
    } catch (const HostError&) {
        return 0; // refused with a message for the user: what a reader must do with a bad file
    }
    MemoryCalendar& calendar = file->calendar();
    std::vector<EventView> want = viewOf(calendar);

    // What a linking run writes: the link value on each appointment it can read, the subject
    // set again (unchanged, so a writer that rewrites it must keep every character), and one
    // new appointment whose subject is the first one's.
    std::size_t index = 0;
    for (const auto& item : std::vector(calendar.appointments())) {
        EventView& row = want[index++];
        if (!row.readable)
            continue;
        const std::string value =
            link::build(int(index % kMaxParts), "fuzzfuzzfuzzfuzzfuzz0", truncateToMinute(row.start),
                        truncateToMinute(row.end), leftChars(row.subject, kMaxNameLength));
        try {
            item->setSubject(row.subject);
            UserProperty* property = item->userProperties().find(kLinkProperty);
            if (!property)
                property = &item->userProperties().add(kLinkProperty, kTextProperty);
            property->setValue(value);
            item->save();
        } catch (const HostError& error) {
            fuzz::fail(__FILE__, __LINE__,
                       std::string("a readable appointment refused a change: ") + error.what());
        }
        setProperty(row, kLinkProperty, value);
    }
    const std::string newSubject = want.empty() ? std::string("Neuer Termin") : want.front().subject;
    auto created = calendar.createItem();
    created->setSubject(newSubject);
    created->save();
    want.push_back(viewOf(calendar).back());

    const std::string written = file->render();
    const auto pathAgain = fuzz::writeScratch("Kalender-2.ics", written);
    std::unique_ptr<CalendarFile> again;
    try {
        again = load(pathAgain);
    } catch (const std::exception& error) {
        fuzz::fail(__FILE__, __LINE__, std::string("the written calendar does not load: ") + error.what());
    }
    const std::vector<EventView> got = viewOf(again->calendar());
    ZELVANT_FUZZ_CHECK(got.size() == want.size(),
                       "event count " + std::to_string(want.size()) + " -> " + std::to_string(got.size()));
    for (std::size_t i = 0; i < want.size(); ++i)
        ZELVANT_FUZZ_CHECK(got[i] == want[i], describe(i, want[i], got[i]));
    ZELVANT_FUZZ_CHECK(again->render() == written, "a calendar read back and rendered unchanged differs");
    return 0;
}
