#include "hosts/caldav/DavXml.h"

#include "hostapi/HostError.h"
#include "hostapi/Text.h"

#include <pugixml.hpp>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace zelvant::dav {

namespace {

// No server nests its answer deeper than this; a deeper one is broken or hostile.
constexpr int kMaxDepth = 40;

const char* localName(const pugi::xml_node& node)
{
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node child(const pugi::xml_node& node, const char* name)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(localName(c), name) == 0)
            return c;
    return {};
}

std::string textOf(const pugi::xml_node& node)
{
    std::string text;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            text += c.value();
    return text;
}

std::string trimmedText(const pugi::xml_node& node)
{
    return std::string(trimmed(textOf(node)));
}

int depthOf(const pugi::xml_node& root)
{
    struct Walker : pugi::xml_tree_walker {
        int deepest = 0;
        bool for_each(pugi::xml_node&) override
        {
            deepest = std::max(deepest, depth());
            return deepest <= kMaxDepth;
        }
    } walker;
    pugi::xml_node start = root;
    start.traverse(walker);
    return walker.deepest;
}

void readProperties(const pugi::xml_node& prop, Resource& resource)
{
    for (pugi::xml_node p = prop.first_child(); p; p = p.next_sibling()) {
        const char* name = localName(p);
        if (std::strcmp(name, "getetag") == 0)
            resource.etag = trimmedText(p);
        else if (std::strcmp(name, "calendar-data") == 0)
            resource.calendarData = textOf(p);
        else if (std::strcmp(name, "resourcetype") == 0)
            resource.isCalendar = bool(child(p, "calendar"));
        else if (std::strcmp(name, "displayname") == 0)
            resource.displayName = trimmedText(p);
        else if (std::strcmp(name, "current-user-principal") == 0)
            resource.principal = trimmedText(child(p, "href"));
        else if (std::strcmp(name, "calendar-home-set") == 0)
            resource.homeSet = trimmedText(child(p, "href"));
        else if (std::strcmp(name, "sync-token") == 0)
            resource.syncToken = trimmedText(p);
    }
}

const char* const kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

} // namespace

int statusCode(const std::string& line)
{
    const auto space = line.find(' ');
    return space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
}

std::string escaped(const std::string& text)
{
    std::string out;
    appendXmlEscaped(out, text, false);
    return out;
}

Multistatus parseMultistatus(const std::string& body, const std::string& url)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(body.data(), body.size());
    const pugi::xml_node root = document.document_element();
    if (!parsed || std::strcmp(localName(root), "multistatus") != 0)
        throw HostError("Der Kalenderserver hat auf " + url +
                        " keine lesbare WebDAV-Antwort geschickt (kein <multistatus>).");
    if (depthOf(root) > kMaxDepth)
        throw HostError("Die Antwort des Kalenderservers auf " + url +
                        " ist tiefer verschachtelt als jede g\u00FCltige und wird nicht gelesen.");
    Multistatus result;
    result.syncToken = trimmedText(child(root, "sync-token"));
    for (pugi::xml_node response = root.first_child(); response; response = response.next_sibling()) {
        if (std::strcmp(localName(response), "response") != 0)
            continue;
        Resource resource;
        resource.href = trimmedText(child(response, "href"));
        if (const pugi::xml_node status = child(response, "status"))
            resource.status = statusCode(trimmedText(status));
        bool found = false;
        for (pugi::xml_node propstat = response.first_child(); propstat; propstat = propstat.next_sibling()) {
            if (std::strcmp(localName(propstat), "propstat") != 0)
                continue;
            const int status = statusCode(trimmedText(child(propstat, "status")));
            if (status >= 200 && status < 300) {
                readProperties(child(propstat, "prop"), resource);
                found = true;
            } else if (!found && !child(response, "status")) {
                resource.status = status;
            }
        }
        if (found && !child(response, "status"))
            resource.status = 200;
        result.resources.push_back(std::move(resource));
    }
    return result;
}

std::string propfindCollection()
{
    return std::string(kHead) +
           "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:displayname/><d:sync-token/>"
           "</d:prop></d:propfind>\n";
}

std::string propfindEtags()
{
    return std::string(kHead) + "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>\n";
}

std::string propfindDiscovery()
{
    return std::string(kHead) +
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop>"
           "<d:current-user-principal/><c:calendar-home-set/><d:resourcetype/><d:displayname/>"
           "</d:prop></d:propfind>\n";
}

std::string syncCollection(const std::string& token, bool withData)
{
    return std::string(kHead) +
           "<d:sync-collection xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
           "<d:sync-token>" +
           escaped(token) + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/>" +
           (withData ? "<c:calendar-data/>" : "") + "</d:prop></d:sync-collection>\n";
}

std::string calendarMultiget(const std::vector<std::string>& hrefs)
{
    std::string body = std::string(kHead) +
                       "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                       "<d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (const std::string& href : hrefs)
        body += "<d:href>" + escaped(href) + "</d:href>";
    return body + "</c:calendar-multiget>\n";
}

std::string pathOf(const std::string& url)
{
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const auto slash = url.find('/', scheme + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

std::string sameHref(const std::string& href)
{
    const std::string path = pathOf(href);
    std::string decoded;
    decoded.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
            decoded += char(std::stoi(path.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += path[i];
        }
    }
    return decoded;
}

std::string resolve(const std::string& base, const std::string& href)
{
    if (href.find("://") != std::string::npos)
        return href;
    const auto scheme = base.find("://");
    const auto slash = base.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    const std::string origin = slash == std::string::npos ? base : base.substr(0, slash);
    if (href.starts_with("/"))
        return origin + href;
    const std::string path = pathOf(base);
    return origin + path.substr(0, path.rfind('/') + 1) + href;
}

} // namespace zelvant::dav
