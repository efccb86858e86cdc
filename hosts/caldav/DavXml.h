#pragma once

// The WebDAV and CalDAV XML a calendar server speaks (RFC 4918, 4791, 6578): request bodies,
// and the multistatus answers read into plain values. Element names are matched by their local
// name, as servers choose their own prefixes.

#include <optional>
#include <string>
#include <vector>

namespace zelvant::dav {

// One <response> of a multistatus.
struct Resource {
    std::string href;
    int status = 200; // of the response, or of the propstat holding the properties asked for
    std::string etag;
    std::optional<std::string> calendarData;
    bool isCalendar = false;
    std::string displayName;
    std::string principal; // current-user-principal's href
    std::string homeSet;   // calendar-home-set's href
    std::string syncToken; // a collection's own sync-token property
};

struct Multistatus {
    std::vector<Resource> resources;
    std::string syncToken; // sync-collection's new token
};

/// Reads a 207 answer from `url`; throws HostError (German, naming the URL) for a body that is
/// not a multistatus or nests deeper than any server's answer does.
Multistatus parseMultistatus(const std::string& body, const std::string& url);

/// PROPFIND bodies.
std::string propfindCollection(); // resourcetype, displayname, sync-token
std::string propfindEtags();      // getetag
std::string propfindDiscovery();  // current-user-principal, calendar-home-set, resourcetype, displayname
/// REPORT sync-collection from `token` ("" for everything), asking for ETags and, when
/// `withData`, the events' text.
std::string syncCollection(const std::string& token, bool withData);
/// REPORT calendar-multiget for these hrefs.
std::string calendarMultiget(const std::vector<std::string>& hrefs);

/// `href` (a path, or a whole URL) as a whole URL on the server of `base`.
std::string resolve(const std::string& base, const std::string& href);
/// The path of a URL ("/a/b/" of "https://h/a/b/").
std::string pathOf(const std::string& url);
/// The form two hrefs are compared in: the path, percent-decoded. Servers spell one resource in
/// more than one way ("%40" or "@", a whole URL or a path), and a member taken for another would
/// look deleted.
std::string sameHref(const std::string& href);
/// A status line's code ("HTTP/1.1 404 Not Found" -> 404); 0 when there is none.
int statusCode(const std::string& line);
/// Text escaped for an XML element's content.
std::string escaped(const std::string& text);

} // namespace zelvant::dav
