#include "hosts/caldav/CalDavCalendar.h"

#include "hostapi/HostError.h"
#include "hostapi/Text.h"
#include "hosts/caldav/DavXml.h"
#include "hosts/calendarfile/IcsDocument.h"
#include "hosts/common/FileStore.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

namespace zelvant {

namespace {

constexpr const char* kCalendarHead = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zelvant//CalDAV//DE\r\n";
constexpr const char* kCalendarTail = "END:VCALENDAR\r\n";
constexpr const char* kCalendarType = "Content-Type: text/calendar; charset=utf-8";
constexpr const char* kCacheMagic = "zelvant-caldav-cache 1";
// Members fetched per calendar-multiget: enough to keep requests few, small enough that no
// single answer grows large.
constexpr std::size_t kMultigetBatch = 250;

std::string withSlash(std::string url)
{
    if (!url.ends_with("/"))
        url += '/';
    return url;
}

// A resource name for a new event: its UID, with every character a path could stumble over
// replaced.
std::string resourceName(const std::string& uid)
{
    std::string name;
    for (const char c : uid)
        name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
    return name + ".ics";
}

// A resource's text as iCalendar has it, with CRLF line ends: XML carries calendar-data with the
// carriage returns taken out.
std::string withCrlf(const std::string& text)
{
    if (text.find("\r\n") != std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// A WebDAV request with an XML body; `depth` "" for none.
HttpRequest davRequest(const char* method, const std::string& url, const std::string& depth, std::string body)
{
    std::vector<std::string> headers{"Content-Type: application/xml; charset=utf-8"};
    if (!depth.empty())
        headers.push_back("Depth: " + depth);
    return {method, url, std::move(headers), std::move(body)};
}

// The multistatus an answer holds; any other answer is the error its status means.
dav::Multistatus multistatusOf(const HttpResponse& answer, const std::string& url)
{
    if (!answer.failure.empty())
        throw HostError(answer.failure);
    if (answer.status != 207)
        throw HostError(CalDavCalendar::statusProblem(answer.status, url, answer.header("location")));
    return dav::parseMultistatus(answer.body, url);
}

} // namespace

std::string CalDavCalendar::statusProblem(long status, const std::string& url, const std::string& location)
{
    const std::string server = "Der Kalenderserver " + url;
    if (status >= 300 && status < 400)
        return server + " leitet nach " + (location.empty() ? std::string("anderswo") : location) + " um (" +
               std::to_string(status) +
               "). Weiterleitungen werden nicht gefolgt: bitte die Zieladresse angeben.";
    switch (status) {
    case 401:
        return server +
               " l\u00E4sst den Zugriff ohne g\u00FCltige Zugangsdaten nicht zu (401). Bitte Benutzer und "
               "Passwort in ~/.netrc eintragen (machine HOST login NAME password GEHEIM) oder am Terminal "
               "eingeben.";
    case 403:
        return server + " verweigert diesem Benutzer den Zugriff (403).";
    case 404:
        return server + " kennt diese Adresse nicht (404). \u201Ezelvant list calendars --server URL\u201C "
                        "zeigt die Kalender des Benutzers.";
    case 405:
    case 501:
        return "Unter " + url + " ist kein CalDAV-Kalender (der Server versteht die Anfrage nicht, " +
               std::to_string(status) + ").";
    default:
        break;
    }
    if (status >= 500)
        return server + " meldet einen Fehler (" + std::to_string(status) +
               "). Bitte sp\u00E4ter noch einmal versuchen.";
    return server + " hat unerwartet mit Status " + std::to_string(status) + " geantwortet.";
}

CalDavCalendar::CalDavCalendar(Options options)
    : options_(std::move(options)), url_(withSlash(options_.url)), http_(options_.http)
{
}

CalDavCalendar::~CalDavCalendar() = default;

std::unique_ptr<CalDavCalendar> CalDavCalendar::open(Options options)
{
    std::unique_ptr<CalDavCalendar> calendar(new CalDavCalendar(std::move(options)));
    calendar->load();
    return calendar;
}

std::filesystem::path CalDavCalendar::cachePath() const
{
    if (options_.cacheFolder.empty())
        return {};
    return options_.cacheFolder / ("caldav-" + hexDigits(fingerprintOf(url_).hash, 16) + ".cache");
}

void CalDavCalendar::readCache()
{
    const std::filesystem::path path = cachePath();
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in)
        return;
    std::string magic, url, token;
    std::size_t count = 0;
    if (!std::getline(in, magic) || magic != kCacheMagic || !std::getline(in, url) || url != url_ ||
        !std::getline(in, token) || !(in >> count) || in.get() != '\n')
        return;
    std::vector<Member> members;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t sizes[3] = {};
        if (!(in >> sizes[0] >> sizes[1] >> sizes[2]) || in.get() != '\n' ||
            sizes[2] > (std::size_t(1) << 30))
            return; // a damaged cache is no cache: the server is asked for everything
        Member member;
        std::string* fields[] = {&member.href, &member.etag, &member.text};
        for (int f = 0; f < 3; ++f) {
            fields[f]->resize(sizes[f]);
            if (!in.read(fields[f]->data(), std::streamsize(sizes[f])))
                return;
        }
        members.push_back(std::move(member));
    }
    syncToken_ = token;
    members_ = std::move(members);
}

void CalDavCalendar::writeCache() const
{
    const std::filesystem::path path = cachePath();
    if (path.empty())
        return;
    std::string content = std::string(kCacheMagic) + "\n" + url_ + "\n" + syncToken_ + "\n" +
                          std::to_string(members_.size()) + "\n";
    for (const Member& member : members_)
        content += std::to_string(member.href.size()) + " " + std::to_string(member.etag.size()) + " " +
                   std::to_string(member.text.size()) + "\n" + member.href + member.etag + member.text;
    // The cache holds the user's appointments: readable by the user only. When it cannot be
    // written, the next run asks the server for more; nothing else depends on it.
    try {
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        FileStore::writePrivate(path, content);
    } catch (const std::exception&) {
    }
}

void CalDavCalendar::load()
{
    readCache();
    const bool cached = !members_.empty() || !syncToken_.empty();

    // The collection itself: is it a calendar, and has anything changed since the cache?
    const dav::Multistatus collection =
        multistatusOf(http_.send(davRequest("PROPFIND", url_, "0", dav::propfindCollection())), url_);
    if (collection.resources.empty() || !collection.resources.front().isCalendar)
        throw HostError("Unter " + url_ +
                        " ist keine Kalendersammlung. \u201Ezelvant list calendars --server URL\u201C zeigt "
                        "die Kalender des Benutzers.");
    const std::string token = collection.resources.front().syncToken;

    std::vector<std::string> wanted; // members whose text the cache lacks or has in an old version
    std::set<std::string> gone;
    const auto index = [&] {
        std::unordered_map<std::string, std::size_t> byHref;
        for (std::size_t i = 0; i < members_.size(); ++i)
            byHref.emplace(dav::sameHref(members_[i].href), i);
        return byHref;
    };
    const std::string collectionPath = dav::sameHref(url_);
    const auto isMember = [&](const std::string& href) {
        const std::string path = dav::sameHref(href);
        return path != collectionPath && path != collectionPath.substr(0, collectionPath.size() - 1);
    };
    // Takes in what the server listed: text where it sent one, else the ETag to compare.
    const auto takeIn = [&](const dav::Multistatus& listing, bool complete) {
        auto byHref = index();
        std::set<std::string> listed;
        for (const dav::Resource& resource : listing.resources) {
            if (!isMember(resource.href))
                continue;
            if (resource.status == 404) {
                gone.insert(dav::sameHref(resource.href));
                continue;
            }
            if (resource.status != 200)
                continue;
            listed.insert(dav::sameHref(resource.href));
            auto found = byHref.find(dav::sameHref(resource.href));
            if (found == byHref.end()) {
                members_.push_back({resource.href, {}, {}});
                found = byHref.emplace(dav::sameHref(resource.href), members_.size() - 1).first;
            }
            Member& member = members_[found->second];
            if (resource.calendarData) {
                member.etag = resource.etag;
                member.text = withCrlf(*resource.calendarData);
            } else if (member.etag.empty() || member.etag != resource.etag) {
                member.etag = resource.etag;
                wanted.push_back(resource.href);
            }
        }
        if (complete)
            for (const Member& member : members_)
                if (!listed.count(dav::sameHref(member.href)))
                    gone.insert(dav::sameHref(member.href));
    };

    const bool unchanged = !token.empty() && cached && token == syncToken_;
    if (unchanged) {
        // nothing changed since the last run: the cache is the collection as it is, and stays so
    } else if (!token.empty()) {
        const auto report = [&](const std::string& from) {
            return http_.send(davRequest("REPORT", url_, "", dav::syncCollection(from, from.empty())));
        };
        HttpResponse changes = report(cached ? syncToken_ : std::string{});
        if (cached && changes.status != 207) {
            // The server no longer knows the cache's token: start over.
            members_.clear();
            changes = report({});
        }
        const dav::Multistatus listing = multistatusOf(changes, url_);
        takeIn(listing, false);
        syncToken_ = listing.syncToken.empty() ? token : listing.syncToken;
    } else {
        // No sync tokens: compare every member's ETag with the cache's.
        takeIn(multistatusOf(http_.send(davRequest("PROPFIND", url_, "1", dav::propfindEtags())), url_),
               true);
        syncToken_.clear();
    }
    if (!gone.empty())
        members_.erase(std::remove_if(members_.begin(), members_.end(),
                                      [&](const Member& m) { return gone.count(dav::sameHref(m.href)) > 0; }),
                       members_.end());
    fetch(std::move(wanted));
    compose();
    if (!unchanged)
        writeCache();
}

void CalDavCalendar::fetch(std::vector<std::string> hrefs)
{
    std::sort(hrefs.begin(), hrefs.end());
    hrefs.erase(std::unique(hrefs.begin(), hrefs.end()), hrefs.end());
    std::vector<HttpRequest> requests;
    for (std::size_t first = 0; first < hrefs.size(); first += kMultigetBatch) {
        const std::vector<std::string> batch(hrefs.begin() + long(first),
                                             hrefs.begin() +
                                                 long(std::min(hrefs.size(), first + kMultigetBatch)));
        requests.push_back(davRequest("REPORT", url_, "1", dav::calendarMultiget(batch)));
    }
    std::unordered_map<std::string, Member*> byHref;
    for (Member& member : members_)
        byHref.emplace(dav::sameHref(member.href), &member);
    std::set<std::string> missing;
    for (const std::string& href : hrefs)
        missing.insert(dav::sameHref(href));
    for (const HttpResponse& answer : http_.sendAll(requests)) {
        for (const dav::Resource& resource : multistatusOf(answer, url_).resources) {
            const auto member = byHref.find(dav::sameHref(resource.href));
            if (member == byHref.end() || resource.status != 200 || !resource.calendarData)
                continue;
            member->second->etag = resource.etag;
            member->second->text = withCrlf(*resource.calendarData);
            missing.erase(dav::sameHref(resource.href));
        }
    }
    // A member deleted between the listing and the fetch is gone.
    members_.erase(std::remove_if(members_.begin(), members_.end(),
                                  [&](const Member& m) { return missing.count(dav::sameHref(m.href)) > 0; }),
                   members_.end());
}

void CalDavCalendar::compose()
{
    std::string text = kCalendarHead;
    int lines = 3; // the lines of `text` so far
    const auto append = [&](std::string_view piece) {
        text += piece;
        lines += int(std::count(piece.begin(), piece.end(), '\n'));
    };
    std::set<std::string> zones;
    problems_.clear();
    origins_.clear();
    for (std::size_t k = 0; k < members_.size(); ++k) {
        const Member& member = members_[k];
        try {
            const IcsDocument document = IcsDocument::scan(member.text, dav::resolve(url_, member.href));
            for (const auto& zone : document.zones())
                if (zones.insert(zone.tzid).second)
                    append(zone.text);
            for (std::size_t place = 0; place < document.events().size(); ++place) {
                const auto& event = document.events()[place];
                origins_.push_back({lines + 1, k, place, event.lineNumber});
                append(std::string_view(member.text).substr(event.begin, event.end - event.begin));
            }
        } catch (const HostError& error) {
            problems_.push_back(std::string(error.what()) + " Der Eintrag bleibt unver\u00E4ndert.");
        }
    }
    text += kCalendarTail;
    events_ = CalendarFile::fromText(std::move(text), url_, options_.timeZone);
}

std::vector<std::string> CalDavCalendar::warnings() const
{
    std::vector<std::string> all = problems_;
    // The events' warnings name the line in the collection read as one text: they name the
    // resource and its own line instead.
    const std::string prefix = url_ + ": Zeile ";
    for (const std::string& warning : events_->warnings()) {
        const int line = warning.starts_with(prefix) ? std::atoi(warning.c_str() + prefix.size()) : 0;
        const auto origin = std::upper_bound(origins_.begin(), origins_.end(), line,
                                             [](int l, const Origin& o) { return l < o.line; });
        if (line == 0 || origin == origins_.begin()) {
            all.push_back(warning);
            continue;
        }
        const Origin& from = *std::prev(origin);
        const std::string rest = warning.substr(warning.find(':', prefix.size()));
        all.push_back(dav::resolve(url_, members_[from.member].href) + ": Zeile " +
                      std::to_string(from.memberLine + line - from.line) + rest);
    }
    return all;
}

CalDavCalendar::SaveOutcome CalDavCalendar::save()
{
    // The items stay as the run left them, for whoever still holds them; what the server holds
    // now is read by the next open.
    if (saved_)
        throw HostError("Der Kalender " + url_ + " wurde in diesem Lauf schon geschrieben.");
    saved_ = true;
    const std::vector<CalendarFile::Edit> edits = events_->edits();
    if (edits.empty())
        return {};
    const std::string zoneDefinition = events_->userZoneDefinition();
    const std::string& userZone = events_->timeZone(); // the TZID the definition gives

    // What each write is about, to tell the user and the plan when it fails.
    struct Write {
        std::size_t member = 0; // none for a new one
        bool created = false;
        std::string href{};
        bool remove = false;
        std::string subject{};
        std::vector<std::string> values{};
    };
    std::vector<Write> writes;
    std::vector<HttpRequest> requests;

    // member -> its event's place among the member's events -> edit
    std::map<std::size_t, std::map<std::size_t, const CalendarFile::Edit*>> byMember;
    for (const CalendarFile::Edit& edit : edits)
        if (edit.kind != CalendarFile::Edit::Created)
            byMember[origins_[edit.event].member][origins_[edit.event].place] = &edit;

    for (const auto& [k, memberEdits] : byMember) {
        const Member& member = members_[k];
        const IcsDocument document = IcsDocument::scan(member.text, member.href);
        std::string text;
        std::size_t pos = 0, kept = 0;
        bool needsZone = false;
        Write write{.member = k};
        for (std::size_t j = 0; j < document.events().size(); ++j) {
            const auto& event = document.events()[j];
            text.append(member.text, pos, event.begin - pos);
            pos = event.end;
            const auto edit = memberEdits.find(j);
            if (edit == memberEdits.end()) {
                text.append(member.text, event.begin, event.end - event.begin);
                ++kept;
                continue;
            }
            write.subject = edit->second->subject;
            write.values.insert(write.values.end(), edit->second->values.begin(), edit->second->values.end());
            if (edit->second->kind == CalendarFile::Edit::Changed) {
                text += edit->second->text;
                needsZone = needsZone || edit->second->usesUserZone;
                ++kept;
            }
        }
        text.append(member.text, pos, std::string::npos);
        const bool hasZone = std::any_of(document.zones().begin(), document.zones().end(),
                                         [&](const auto& zone) { return zone.tzid == userZone; });
        if (needsZone && !hasZone && !document.events().empty()) {
            const std::size_t at = text.find("BEGIN:VEVENT");
            text.insert(at == std::string::npos ? 0 : at, zoneDefinition);
        }
        const std::string url = dav::resolve(url_, member.href);
        const std::string guard = "If-Match: " + (member.etag.empty() ? std::string("*") : member.etag);
        write.remove = kept == 0;
        write.href = member.href;
        if (write.remove)
            requests.push_back({"DELETE", url, {guard}, {}});
        else
            requests.push_back({"PUT", url, {guard, kCalendarType}, text});
        writes.push_back(std::move(write));
    }
    for (const CalendarFile::Edit& edit : edits) {
        if (edit.kind != CalendarFile::Edit::Created)
            continue;
        const std::string text =
            kCalendarHead + (edit.usesUserZone ? zoneDefinition : std::string{}) + edit.text + kCalendarTail;
        const std::string href = dav::pathOf(url_) + resourceName(edit.uid);
        requests.push_back({"PUT", dav::resolve(url_, href), {"If-None-Match: *", kCalendarType}, text});
        writes.push_back({.created = true, .href = href, .subject = edit.subject, .values = edit.values});
    }

    // Writes go one after another. A server locks the collection for each write anyway (Radicale
    // does), and Radicale 3.1 was seen to leave concurrent PUTs into a new collection unanswered.
    const std::vector<HttpResponse> answers = http_.sendAll(requests, 1);
    SaveOutcome outcome;
    std::set<std::size_t> removed;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        Write& write = writes[i];
        const HttpResponse& answer = answers[i];
        const std::string& url = requests[i].url;
        const bool done = answer.failure.empty() && ((answer.status >= 200 && answer.status < 300) ||
                                                     (write.remove && answer.status == 404));
        if (done) {
            Member now{write.href, answer.header("etag"), requests[i].body};
            outcome.written.push_back({url, write.created ? std::string{} : members_[write.member].text,
                                       write.remove ? std::string{} : now.etag});
            if (write.remove)
                removed.insert(write.member);
            else if (write.created)
                members_.push_back(std::move(now));
            else
                members_[write.member] = std::move(now);
            continue;
        }
        std::string why;
        if (!answer.failure.empty())
            why = answer.failure + " Ob der Server die \u00C4nderung noch gespeichert hat, ist unbekannt.";
        else if (answer.status == 412 || answer.status == 404)
            why = "Jemand anderes hat ihn inzwischen auf dem Server ge\u00E4ndert oder gel\u00F6scht (" +
                  url +
                  "). Der zugeh\u00F6rige Vorgang bleibt in diesem Lauf unver\u00E4ndert; der n\u00E4chste "
                  "Lauf "
                  "\u00FCbernimmt die neue Fassung aus dem Kalender.";
        else
            why = statusProblem(answer.status, url, answer.header("location"));
        outcome.failures.push_back(
            {CalendarFile::appointmentName(write.subject) + " wurde nicht geschrieben: " + why,
             std::move(write.values)});
    }
    if (!removed.empty()) {
        std::vector<Member> kept;
        for (std::size_t k = 0; k < members_.size(); ++k)
            if (!removed.count(k))
                kept.push_back(std::move(members_[k]));
        members_ = std::move(kept);
    }
    writeCache();
    return outcome;
}

std::vector<std::pair<std::string, std::string>> CalDavCalendar::discover(const std::string& url,
                                                                          HttpOptions options)
{
    HttpClient http(std::move(options));
    const auto propfind = [&](const std::string& target, const char* depth) {
        return multistatusOf(http.send(davRequest("PROPFIND", target, depth, dav::propfindDiscovery())),
                             target);
    };
    const std::string start = withSlash(url);
    const dav::Multistatus first = propfind(start, "0");
    std::string home;
    if (!first.resources.empty()) {
        const dav::Resource& self = first.resources.front();
        home = self.homeSet;
        if (home.empty() && !self.principal.empty())
            if (const dav::Multistatus principal = propfind(dav::resolve(start, self.principal), "0");
                !principal.resources.empty())
                home = principal.resources.front().homeSet;
    }
    const std::string target = home.empty() ? start : dav::resolve(start, home);
    std::vector<std::pair<std::string, std::string>> calendars;
    for (const dav::Resource& resource : propfind(target, "1").resources)
        if (resource.isCalendar && resource.status == 200)
            calendars.emplace_back(dav::resolve(target, resource.href), resource.displayName);
    return calendars;
}

std::optional<std::string> CalDavResources::tag(const std::string& url)
{
    const HttpResponse answer = http_.send({"HEAD", url, {}, {}});
    if (answer.status == 404 || answer.status == 410)
        return std::nullopt;
    if (answer.status < 200 || answer.status >= 300 || answer.header("etag").empty())
        throw HostError(CalDavCalendar::statusProblem(answer.status, url, answer.header("location")));
    return answer.header("etag");
}

void CalDavResources::restore(const std::string& url, const std::string& text,
                              const std::optional<std::string>& tag)
{
    const std::string guard = tag ? "If-Match: " + *tag : "If-None-Match: *";
    const HttpResponse answer = text.empty() ? http_.send({"DELETE", url, {guard}, {}})
                                             : http_.send({"PUT", url, {guard, kCalendarType}, text});
    if (answer.status == 412)
        throw HostError("Der Termin " + url +
                        " wurde eben auf dem Server ge\u00E4ndert; er bleibt, wie er ist.");
    if (answer.status < 200 || answer.status >= 300)
        throw HostError(CalDavCalendar::statusProblem(answer.status, url, answer.header("location")));
}

} // namespace zelvant
