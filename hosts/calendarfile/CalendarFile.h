#pragma once

// An iCalendar file behind the calendar model. Loading fills a MemoryCalendar with the file's
// events; saving writes the file once, changing only the events this run changed, added or
// deleted: every other byte of the file stays as it was.
//
// Times: every event is presented as wall-clock time in the user's zone, whatever zone the
// process runs in. libical's zone code converts (icaltimezone): the file's VTIMEZONEs first,
// then the system's zone database for IANA names, Windows zone IDs (through ICU) and Windows
// display names. All-day events are whole calendar days, shown midnight to midnight without
// conversion. New events are written in the user's zone, with a VTIMEZONE for it.
//
// Events whose times cannot be read (a zone nobody knows, a broken or absurd date or duration)
// never fail the file: each is kept byte for byte, never written, and named in warnings(). One
// that carries a value of ours (a link) is still in the calendar, so that its link is not
// mistaken for a deleted appointment; its subject and user properties read as usual, but its
// times and every change throw HostError with the reason. Others stay out of the calendar.

#include "hosts/calendar/MemoryCalendar.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

class IcsDocument;

class CalendarFile {
public:
    /// The clock a run stamps its changes with (UTC).
    using Clock = std::function<std::chrono::sys_seconds()>;

    /// Reads the file into a new calendar presented in `timeZone` (an IANA name). Throws FileError
    /// (German, with file name, line and problem) for a missing, unreadable or broken file, and
    /// HostError for an unknown time zone. An event that cannot be read is a warning, not an error.
    static std::unique_ptr<CalendarFile> load(const std::filesystem::path& path,
                                              const std::string& timeZone = systemTimeZone());
    /// Reads a calendar that is not a file of its own (a server's events, put together in one
    /// text); `name` stands for it in messages. Such a calendar is never saved: edits() tells
    /// what the run changed, and its owner writes that where it belongs.
    static std::unique_ptr<CalendarFile> fromText(std::string content, const std::filesystem::path& name,
                                                  const std::string& timeZone = systemTimeZone());
    ~CalendarFile();
    CalendarFile(const CalendarFile&) = delete;
    CalendarFile& operator=(const CalendarFile&) = delete;

    /// The calendar the file was loaded into; changes made to it are what save() writes.
    MemoryCalendar& calendar();
    /// The file's path.
    const std::filesystem::path& path() const;
    /// The zone times are presented in.
    const std::string& timeZone() const;

    /// One German line per event that could not be read and is left as it is, each naming the
    /// file, the line and the problem ("Kalender.ics: Zeile 12: Termin „Standup“ ...").
    const std::vector<std::string>& warnings() const;
    /// True when one of those events carries a link: some task's appointment cannot be read.
    bool hasUnreadableLinkedEvents() const;

    /// Replaces the system clock: the moment saves stamp changed events with, and where new
    /// items start (for tests and reproducible runs).
    void setClock(Clock clock);

    /// One event the run changed, deleted or added.
    struct Edit {
        enum Kind { Changed, Deleted, Created };
        Kind kind = Changed;
        std::size_t event = 0;     // Changed, Deleted: the event's place among the text's events
        std::string text{};        // Changed, Created: the VEVENT as it is to be written
        bool usesUserZone = false; // the text names the user's zone, which needs a VTIMEZONE
        std::string uid{};         // Created: the new event's UID
        std::string subject{};     // as the user knows the appointment
        // The user property values the event held when read and holds now, so that the owner
        // can tell which links an edit that could not be written concerns.
        std::vector<std::string> values{};
    };
    /// What the run changed, in the order of the text (new events last).
    std::vector<Edit> edits() const;
    /// A VTIMEZONE of the user's zone, for texts whose times name it.
    std::string userZoneDefinition() const;

    /// The text save() would write now.
    std::string render() const;
    /// True when the calendar holds changes the file does not have yet.
    bool hasChanges() const;
    /// Writes the changes, if any, through an atomic replace that keeps NAME.bak; returns whether
    /// it wrote. Throws FileConflictError when the file changed on disk since it was read
    /// (the run's content is then in NAME.zelvant-conflict), FileError when writing fails.
    bool save();

    /// How messages name an appointment: "Termin „Subject“", or "Termin ohne Titel".
    static std::string appointmentName(const std::string& subject);

    /// The system's time zone: TZ if set, else the zone /etc/localtime points to, else "UTC".
    static std::string systemTimeZone();

private:
    struct State;
    struct Plan;
    struct Layout;

    CalendarFile();
    void fillCalendar(const IcsDocument& document);
    Plan plan() const;
    // The text for `plan`; with a `layout`, where its pieces lie in it.
    std::string compose(const Plan& plan, Layout* layout) const;
    void adopt(Plan&& plan, std::string&& written, Layout&& layout);

    std::unique_ptr<State> state_;
};

} // namespace zelvant
