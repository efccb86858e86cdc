#pragma once

// A calendar collection on a CalDAV server (RFC 4791) behind the calendar model. Its events are
// read as one calendar, the way a file is read (CalendarFile), and each remembers the resource
// it came from; saving writes only the resources whose events the run changed, each guarded by
// its ETag, so that a change someone else made meanwhile is never overwritten.
//
// The collection is kept in a cache beside the user's settings: a later run asks the server
// only what changed since (sync-collection, RFC 6578, or the members' ETags where the server
// has no sync token), so a run over an unchanged calendar makes a few requests whatever its size.

#include "hosts/caldav/HttpClient.h"
#include "hosts/calendar/MemoryCalendar.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/common/UndoJournal.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

class CalDavCalendar {
public:
    struct Options {
        std::string url{};                   // the collection; a missing trailing "/" is added
        std::string timeZone{};              // the zone times are presented in (IANA name)
        std::filesystem::path cacheFolder{}; // empty: no cache, every run reads the whole collection
        HttpOptions http{};
    };

    // An event that could not be written: someone else changed or deleted it meanwhile (412),
    // or the server refused or did not answer.
    struct WriteFailure {
        std::string message{};             // German, naming the appointment and the URL
        std::vector<std::string> values{}; // the user property values of the event, before and now
    };

    /// Reads the collection. Throws HostError (German, naming the URL) when the server cannot be
    /// reached, refuses the user (401/403), redirects, or the URL is not a calendar collection.
    static std::unique_ptr<CalDavCalendar> open(Options options);
    ~CalDavCalendar();

    MemoryCalendar& calendar() { return events_->calendar(); }
    /// The collection's events as one calendar: warnings, the clock, what a run changed.
    CalendarFile& events() { return *events_; }
    const std::string& url() const { return url_; }
    /// One German line per resource or event that could not be read and is left as it is.
    std::vector<std::string> warnings() const;

    // A resource the run wrote: its text before (empty for a new one) and its ETag after
    // (empty for one it deleted), so that the run can be undone.
    struct Written {
        std::string url{};
        std::string before{};
        std::string tag{};
    };
    struct SaveOutcome {
        std::vector<Written> written{};
        std::vector<WriteFailure> failures{};
    };

    /// Writes every resource the run changed; the events that could not be written are among the
    /// failures, the others are on the server. Nothing unchanged is sent. Once per opening: a
    /// second call throws HostError.
    SaveOutcome save();

    /// Requests made so far.
    std::size_t requestCount() const { return http_.requestCount(); }

    /// The calendar collections of the user on the server at `url`: each URL with its name.
    static std::vector<std::pair<std::string, std::string>> discover(const std::string& url,
                                                                     HttpOptions http);

    /// Why a server's answer with this status is an error, in German, naming the URL.
    static std::string statusProblem(long status, const std::string& url, const std::string& location = {});

    // One resource of the collection, as the cache keeps it.
    struct Member {
        std::string href{}; // the path on the server
        std::string etag{}; // "" when unknown
        std::string text{}; // the resource's iCalendar text
    };

private:
    explicit CalDavCalendar(Options options);
    void load();
    void fetch(std::vector<std::string> hrefs);
    void compose();
    std::filesystem::path cachePath() const;
    void readCache();
    void writeCache() const;

    Options options_;
    std::string url_;
    HttpClient http_;
    std::string syncToken_;
    std::vector<Member> members_;
    std::vector<std::string> problems_;
    // Where each event of events_ came from: its first line in the text events_ was read from,
    // its member, its place among the member's events and its first line in the member's text.
    struct Origin {
        int line;
        std::size_t member;
        std::size_t place;
        int memberLine;
    };
    std::vector<Origin> origins_;
    std::unique_ptr<CalendarFile> events_;
    bool saved_ = false;
};

// The server's resources as the undo journal reaches them.
class CalDavResources : public UndoJournal::Remote {
public:
    explicit CalDavResources(HttpOptions http) : http_(std::move(http)) {}
    std::optional<std::string> tag(const std::string& url) override;
    void restore(const std::string& url, const std::string& text,
                 const std::optional<std::string>& tag) override;

private:
    HttpClient http_;
};

} // namespace zelvant
