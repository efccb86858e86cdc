#include "hosts/calendarfile/ContentLine.h"

#include <algorithm>

namespace zelvant {

namespace {

constexpr std::size_t kMaxLineBytes = 75;

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

void assignUpperCase(std::string& result, std::string_view text)
{
    result.assign(text);
    for (char& c : result)
        c = upper(c);
}

bool equalsUpper(std::string_view text, std::string_view upperText)
{
    if (text.size() != upperText.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != upperText[i])
            return false;
    return true;
}

// Decodes the caret escapes of parameter values (^n line break, ^' quote, ^^ caret).
void assignParamValue(std::string& value, std::string_view raw)
{
    value.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"')
            continue;
        if (c == '^' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (next == 'n' || next == 'N' || next == '\'' || next == '^') {
                value += next == '\'' ? '"' : next == '^' ? '^' : '\n';
                ++i;
                continue;
            }
        }
        value += c;
    }
}

// Splits the parameter part (";A=1;B="x:y"") into parameters, reusing the strings `params` holds.
void parseParams(std::string_view text, std::vector<IcsParam>& params)
{
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // text[pos] is the ';' that starts a parameter
        std::size_t i = pos + 1;
        bool quoted = false;
        while (i < text.size() && (quoted || text[i] != ';')) {
            if (text[i] == '"')
                quoted = !quoted;
            ++i;
        }
        const std::string_view item = text.substr(pos + 1, i - pos - 1);
        const std::size_t eq = item.find('=');
        if (count == params.size())
            params.emplace_back();
        IcsParam& param = params[count++];
        assignUpperCase(param.name, item.substr(0, eq));
        if (eq != std::string_view::npos)
            assignParamValue(param.value, item.substr(eq + 1));
        else
            param.value.clear();
        pos = i;
    }
    params.resize(count);
}

// Splits one unfolded line into `line`, reusing the strings it holds.
void parseInto(std::string_view unfolded, ContentLine& line)
{
    std::size_t i = 0;
    while (i < unfolded.size() && unfolded[i] != ';' && unfolded[i] != ':')
        ++i;
    assignUpperCase(line.name, unfolded.substr(0, i));
    const std::size_t paramsBegin = i;
    bool quoted = false;
    while (i < unfolded.size() && (quoted || unfolded[i] != ':')) {
        if (unfolded[i] == '"')
            quoted = !quoted;
        ++i;
    }
    parseParams(unfolded.substr(paramsBegin, i - paramsBegin), line.params);
    line.head.assign(unfolded.substr(0, i));
    line.hasValue = i < unfolded.size();
    if (line.hasValue)
        line.value.assign(unfolded.substr(i + 1));
    else
        line.value.clear();
}

// How many bytes of `text` from `pos` fit into `room` bytes without cutting a UTF-8 character.
std::size_t fittingBytes(std::string_view text, std::size_t pos, std::size_t room)
{
    std::size_t n = std::min(room, text.size() - pos);
    if (pos + n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80)
            --n;
    return n == 0 ? 1 : n;
}

} // namespace

const IcsParam* ContentLine::param(std::string_view upperName) const
{
    for (const auto& p : params)
        if (p.name == upperName)
            return &p;
    return nullptr;
}

bool ContentLine::isBegin(std::string_view component) const
{
    return std::string_view(name) == "BEGIN" && equalsUpper(value, component);
}

bool ContentLine::isEnd(std::string_view component) const
{
    return std::string_view(name) == "END" && equalsUpper(value, component);
}

bool isValidName(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return false;
    return true;
}

ContentLine parseContentLine(std::string_view unfolded)
{
    ContentLine line;
    parseInto(unfolded, line);
    return line;
}

std::vector<ContentLine> scanContentLines(std::string_view text, int firstLine)
{
    std::vector<ContentLine> lines;
    scanContentLines(text, firstLine, lines);
    return lines;
}

void scanContentLines(std::string_view text, int firstLine, std::vector<ContentLine>& lines)
{
    std::size_t count = 0;
    std::size_t pos = 0;
    int number = firstLine;
    // A folded line is put together here; kept from call to call, so that its room is made once.
    thread_local std::string unfolded;
    while (pos < text.size()) {
        const std::size_t begin = pos;
        const int startNumber = number;
        // A logical line continues on every following physical line that starts with a blank;
        // one that does not (most) is taken as it stands in the text.
        std::string_view logical;
        unfolded.clear();
        do {
            std::size_t eol = text.find('\n', pos);
            const std::size_t next = eol == std::string_view::npos ? text.size() : eol + 1;
            if (eol == std::string_view::npos)
                eol = text.size();
            std::size_t contentEnd = eol;
            if (contentEnd > pos && text[contentEnd - 1] == '\r')
                --contentEnd;
            const std::size_t from = pos == begin ? pos : pos + 1;
            const std::string_view piece = text.substr(from, contentEnd - from);
            const bool continues = next < text.size() && (text[next] == ' ' || text[next] == '\t');
            if (pos == begin && !continues)
                logical = piece;
            else
                unfolded.append(piece);
            pos = next;
            ++number;
        } while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'));
        if (!unfolded.empty())
            logical = unfolded;
        if (logical.empty())
            continue;
        if (count == lines.size())
            lines.emplace_back();
        ContentLine& line = lines[count++];
        parseInto(logical, line);
        line.begin = begin;
        line.end = pos;
        line.lineNumber = startNumber;
    }
    lines.resize(count);
}

std::string unescapeText(std::string_view value)
{
    std::string text;
    text.reserve(value.size());
    // The text between escapes is taken in one piece; a backslash at the very end stays.
    std::size_t pos = 0;
    for (std::size_t slash = value.find('\\'); slash != std::string_view::npos && slash + 1 < value.size();
         slash = value.find('\\', pos)) {
        text.append(value.substr(pos, slash - pos));
        const char next = value[slash + 1];
        text += (next == 'n' || next == 'N') ? '\n' : next;
        pos = slash + 2;
    }
    text.append(value.substr(pos));
    // A bare CR inside a value, which no writer should leave, reads as the line break that
    // escapeText makes of it: what is read is then what would be written, and a link value
    // that carries such a name reads back the same.
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

std::string escapeText(std::string_view text)
{
    std::string value;
    value.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' || c == ';' || c == ',') {
            value += '\\';
            value += c;
        } else if (c == '\r') {
            // A lone CR is a line break too; CR LF becomes one "\n".
            value += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            value += "\\n";
        } else {
            value += c;
        }
    }
    return value;
}

std::vector<std::string> splitTextList(std::string_view value)
{
    std::vector<std::string> parts;
    std::string current;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            current += value[i];
            current += value[++i];
        } else if (value[i] == ',') {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current += value[i];
        }
    }
    parts.push_back(std::move(current));
    return parts;
}

std::string formatParamValue(std::string_view value)
{
    std::string encoded;
    bool needsQuotes = false;
    for (char c : value) {
        if (c == '^')
            encoded += "^^";
        else if (c == '"')
            encoded += "^'";
        else if (c == '\n')
            encoded += "^n";
        else if (c != '\r')
            encoded += c;
        needsQuotes = needsQuotes || c == ':' || c == ';' || c == ',';
    }
    return needsQuotes ? '"' + encoded + '"' : encoded;
}

std::string foldLine(std::string_view line, std::string_view newline)
{
    std::string folded;
    folded.reserve(line.size() + line.size() / 70 * 3 + newline.size());
    std::size_t pos = 0;
    std::size_t room = kMaxLineBytes;
    while (true) {
        const std::size_t n = fittingBytes(line, pos, room);
        folded.append(line.substr(pos, n));
        pos += n;
        folded.append(newline);
        if (pos >= line.size())
            break;
        folded += ' ';
        room = kMaxLineBytes - 1; // the leading blank counts
    }
    return folded;
}

} // namespace zelvant
