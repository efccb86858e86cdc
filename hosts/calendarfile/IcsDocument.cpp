#include "hosts/calendarfile/IcsDocument.h"

#include "hosts/calendarfile/ContentLine.h"
#include "hosts/common/FileStore.h"

namespace zelvant {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct OpenComponent {
    std::string name;
    int lineNumber;
    std::size_t begin;
};

[[noreturn]] void fail(const std::filesystem::path& path, int line, const std::string& problem)
{
    throw FileError(path, "Zeile " + std::to_string(line) + ": " + problem);
}

// Walks the logical lines of the text, reading only what the structure needs: the name of
// every line, and the value of BEGIN, END and TZID lines. Event properties are read later.
class StructureScanner {
public:
    StructureScanner(std::string_view text, const std::filesystem::path& path) : text_(text), path_(path) {}

    void run(std::vector<IcsDocument::EventRange>& events, std::vector<IcsDocument::ZoneDefinition>& zones,
             std::size_t& insertAt)
    {
        std::size_t pos =
            text_.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
        int number = 1;
        bool sawCalendar = false;
        while (pos < text_.size()) {
            const std::size_t begin = pos;
            const int lineNumber = number;
            const std::string_view first = physicalLine(pos, number);
            while (pos < text_.size() && (text_[pos] == ' ' || text_[pos] == '\t'))
                physicalLine(pos, number);
            if (first.empty())
                continue;
            handle(first, begin, pos, lineNumber, sawCalendar, events, zones, insertAt);
        }
        if (!stack_.empty())
            fail(path_, stack_.back().lineNumber,
                 "BEGIN:" + stack_.back().name + " wird nicht abgeschlossen (END:" + stack_.back().name +
                     " fehlt).");
        if (!sawCalendar)
            fail(path_, 1, "Das ist keine iCalendar-Datei: BEGIN:VCALENDAR fehlt.");
    }

private:
    // The physical line at pos without its break; moves pos past the break.
    std::string_view physicalLine(std::size_t& pos, int& number)
    {
        std::size_t eol = text_.find('\n', pos);
        const std::size_t next = eol == std::string_view::npos ? text_.size() : eol + 1;
        if (eol == std::string_view::npos)
            eol = text_.size();
        std::size_t contentEnd = eol;
        if (contentEnd > pos && text_[contentEnd - 1] == '\r')
            --contentEnd;
        const std::string_view line = text_.substr(pos, contentEnd - pos);
        pos = next;
        ++number;
        return line;
    }

    void handle(std::string_view first, std::size_t begin, std::size_t end, int lineNumber, bool& sawCalendar,
                std::vector<IcsDocument::EventRange>& events, std::vector<IcsDocument::ZoneDefinition>& zones,
                std::size_t& insertAt)
    {
        // Where the name ends, as find_first_of(";:") says it, but without a search per character.
        std::size_t nameEnd = 0;
        while (nameEnd < first.size() && first[nameEnd] != ';' && first[nameEnd] != ':')
            ++nameEnd;
        if (nameEnd == first.size())
            nameEnd = std::string_view::npos;
        const std::string_view name = first.substr(0, nameEnd);
        if (!isValidName(name))
            fail(path_, lineNumber,
                 "Keine g\u00FCltige iCalendar-Zeile: \u201E" + std::string(first.substr(0, 40)) + "\u201C.");
        if (stack_.empty() && !isBeginOf(first, "VCALENDAR"))
            fail(path_, lineNumber,
                 sawCalendar ? "Inhalt nach END:VCALENDAR."
                             : "Das ist keine iCalendar-Datei: Sie beginnt nicht mit BEGIN:VCALENDAR.");
        if (nameEnd == 5 && matches(name, "BEGIN"))
            open(componentName(first), lineNumber, begin);
        else if (nameEnd == 3 && matches(name, "END"))
            close(componentName(first), lineNumber, begin, end, sawCalendar, events, zones, insertAt);
    }

    static bool matches(std::string_view text, std::string_view upperText)
    {
        if (text.size() != upperText.size())
            return false;
        // Only ASCII letters are folded: the names matched are ASCII.
        for (std::size_t i = 0; i < text.size(); ++i)
            if ((text[i] >= 'a' && text[i] <= 'z' ? char(text[i] - 'a' + 'A') : text[i]) != upperText[i])
                return false;
        return true;
    }

    static bool isBeginOf(std::string_view line, std::string_view component)
    {
        return line.size() == 6 + component.size() && matches(line.substr(0, 6), "BEGIN:") &&
               matches(line.substr(6), component);
    }

    // The component named by a BEGIN or END line, upper case.
    static std::string componentName(std::string_view line)
    {
        const std::size_t colon = line.find(':');
        std::string name(colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1));
        for (char& c : name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return name;
    }

    void open(const std::string& name, int lineNumber, std::size_t begin)
    {
        if (name.empty())
            fail(path_, lineNumber, "BEGIN ohne Namen einer Komponente.");
        stack_.push_back({name, lineNumber, begin});
    }

    void close(const std::string& name, int lineNumber, std::size_t begin, std::size_t end, bool& sawCalendar,
               std::vector<IcsDocument::EventRange>& events, std::vector<IcsDocument::ZoneDefinition>& zones,
               std::size_t& insertAt)
    {
        if (stack_.empty())
            fail(path_, lineNumber, "END:" + name + " ohne zugeh\u00F6riges BEGIN.");
        const OpenComponent top = stack_.back();
        if (top.name != name)
            fail(path_, lineNumber,
                 "END:" + name + " passt nicht zu BEGIN:" + top.name + " aus Zeile " +
                     std::to_string(top.lineNumber) + ".");
        stack_.pop_back();
        const bool insideCalendar = stack_.size() == 1 && stack_.front().name == "VCALENDAR";
        if (name == "VEVENT" && insideCalendar)
            events.push_back({top.begin, end, top.lineNumber});
        else if (name == "VTIMEZONE" && insideCalendar)
            zones.push_back(zoneDefinition(top, end, lineNumber));
        else if (name == "VCALENDAR" && stack_.empty()) {
            sawCalendar = true;
            insertAt = begin;
        }
    }

    IcsDocument::ZoneDefinition zoneDefinition(const OpenComponent& top, std::size_t end, int lineNumber)
    {
        IcsDocument::ZoneDefinition zone;
        zone.text = std::string(text_.substr(top.begin, end - top.begin));
        int depth = 0;
        for (const ContentLine& line : scanContentLines(zone.text, top.lineNumber)) {
            depth += line.name == "BEGIN" ? 1 : line.name == "END" ? -1 : 0;
            if (depth == 1 && line.name == "TZID") {
                zone.tzid = unescapeText(line.value); // TEXT: "Kuala Lumpur\, Singapore"
                break;
            }
        }
        if (zone.tzid.empty())
            fail(path_, lineNumber, "VTIMEZONE ohne TZID.");
        return zone;
    }

    std::string_view text_;
    const std::filesystem::path& path_;
    std::vector<OpenComponent> stack_;
};

} // namespace

IcsDocument IcsDocument::scan(std::string_view text, const std::filesystem::path& path)
{
    IcsDocument document;
    StructureScanner(text, path).run(document.events_, document.zones_, document.insertAt_);
    const std::size_t eol = text.find('\n');
    if (eol != std::string_view::npos && (eol == 0 || text[eol - 1] != '\r'))
        document.newline_ = "\n";
    return document;
}

} // namespace zelvant
