#include "hosts/registry/RegistryDocument.h"

#include "hostapi/Text.h"

#include <cstdio>
#include <string_view>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewFileComment =
    "; Zelvant: Einstellungen des Benutzers. Aufbau wie ein Registry-Export; von Hand \u00E4nderbar.";

bool sameName(std::string_view a, std::string_view b)
{
    return lowerAscii(a) == lowerAscii(b);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string hexByte(unsigned char byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02x", unsigned(byte));
    return text;
}

// Reads one key or value line from left to right; every problem names the file and the line.
class LineParser {
public:
    LineParser(std::string_view text, const fs::path& source, int number)
        : rest_(text), source_(source), number_(number)
    {
    }

    [[noreturn]] void fail(const std::string& problem) const
    {
        throw RegistryFormatError(source_, number_, problem);
    }

    void skipBlanks()
    {
        while (!rest_.empty() && (rest_.front() == ' ' || rest_.front() == '\t'))
            rest_.remove_prefix(1);
    }

    bool atEnd() const { return rest_.empty(); }
    char peek() const { return rest_.empty() ? '\0' : rest_.front(); }
    std::string_view rest() const { return rest_; }

    // Moves past `word` when the line continues with it (ASCII letter case ignored).
    bool take(std::string_view word)
    {
        if (!sameName(rest_.substr(0, word.size()), word))
            return false;
        rest_.remove_prefix(word.size());
        return true;
    }

    // A quoted text with its escapes resolved.
    std::string quoted()
    {
        if (!take("\""))
            fail("Hier wird ein Text in Anf\u00FChrungszeichen erwartet.");
        std::string text;
        while (!rest_.empty() && rest_.front() != '"') {
            const char c = rest_.front();
            rest_.remove_prefix(1);
            text += c == '\\' ? escaped() : c;
        }
        if (!take("\""))
            fail("Das schlie\u00DFende Anf\u00FChrungszeichen fehlt.");
        return text;
    }

    // One to `maxDigits` hexadecimal digits.
    std::uint32_t hexNumber(std::size_t maxDigits)
    {
        std::uint32_t number = 0;
        std::size_t digits = 0;
        for (; digits < rest_.size() && hexDigit(rest_[digits]) >= 0; ++digits)
            number = number * 16 + std::uint32_t(hexDigit(rest_[digits]));
        if (digits == 0 || digits > maxDigits)
            fail("Hier wird eine Hexadezimalzahl mit h\u00F6chstens " + std::to_string(maxDigits) +
                 " Ziffern erwartet.");
        rest_.remove_prefix(digits);
        return number;
    }

    // Bytes as two hexadecimal digits each, separated by commas; none at all is allowed.
    std::string hexBytes()
    {
        std::string bytes;
        skipBlanks();
        if (atEnd())
            return bytes;
        do {
            skipBlanks();
            const int high = hexDigit(peek());
            const int low = rest_.size() > 1 ? hexDigit(rest_[1]) : -1;
            if (high < 0 || low < 0)
                fail("Hier wird ein Byte aus zwei Hexadezimalziffern erwartet.");
            bytes += char(high * 16 + low);
            rest_.remove_prefix(2);
            skipBlanks();
        } while (take(","));
        return bytes;
    }

private:
    char escaped()
    {
        if (rest_.empty())
            fail("Nach \u201E\\\u201C fehlt das Zeichen.");
        const char c = rest_.front();
        rest_.remove_prefix(1);
        switch (c) {
        case '\\':
        case '"':
            return c;
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'x':
            if (rest_.size() >= 2 && hexDigit(rest_[0]) >= 0 && hexDigit(rest_[1]) >= 0) {
                const char byte = char(hexDigit(rest_[0]) * 16 + hexDigit(rest_[1]));
                rest_.remove_prefix(2);
                return byte;
            }
            fail("Nach \u201E\\x\u201C werden zwei Hexadezimalziffern erwartet.");
        default:
            fail(std::string("Unbekannte Escape-Folge \u201E\\") + c + "\u201C.");
        }
    }

    std::string_view rest_;
    const fs::path& source_;
    int number_;
};

RegValue parseData(LineParser& parser)
{
    if (parser.peek() == '"' || parser.take("sz:"))
        return RegValue::sz(parser.quoted());
    if (parser.take("expand_sz:"))
        return RegValue::expandSz(parser.quoted());
    if (parser.take("dword:"))
        return RegValue::dword(parser.hexNumber(8));
    if (parser.take("hex:"))
        return RegValue::binary(parser.hexBytes());
    if (parser.take("hex(")) {
        const auto type = RegType(parser.hexNumber(8));
        if (!parser.take("):"))
            parser.fail("Nach \u201Ehex(Typ\u201C wird \u201E):\u201C erwartet.");
        return RegValue{type, parser.hexBytes()};
    }
    parser.fail("Unbekannter Werttyp \u201E" + std::string(parser.rest()) +
                "\u201C; bekannt sind sz, expand_sz, dword, hex und hex(Typ).");
}

std::pair<std::string, RegValue> parseValueLine(LineParser& parser)
{
    const std::string name = parser.take("@") ? std::string{} : parser.quoted();
    parser.skipBlanks();
    if (!parser.take("="))
        parser.fail("Nach dem Wertnamen wird \u201E=\u201C erwartet.");
    parser.skipBlanks();
    RegValue value = parseData(parser);
    parser.skipBlanks();
    if (!parser.atEnd())
        parser.fail("Unerwartete Zeichen nach dem Wert: \u201E" + std::string(parser.rest()) + "\u201C.");
    return {name, std::move(value)};
}

std::string parseHeader(std::string_view line, LineParser& parser)
{
    const auto close = line.rfind(']');
    if (close == std::string_view::npos)
        parser.fail("Die Schl\u00FCsselzeile endet nicht mit \u201E]\u201C.");
    if (line.find_first_not_of(" \t", close + 1) != std::string_view::npos)
        parser.fail("Nach \u201E]\u201C darf nichts mehr stehen.");
    std::string keyName{line.substr(1, close - 1)};
    if (keyName.empty())
        parser.fail("Der Schl\u00FCsselname ist leer.");
    return keyName;
}

std::string quote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            out += {'\\', c};
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (byte < 0x20 || byte == 0x7F)
            out += "\\x" + hexByte(byte);
        else
            out += c;
    }
    return out + "\"";
}

std::string hexList(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        if (!out.empty())
            out += ',';
        out += hexByte(static_cast<unsigned char>(c));
    }
    return out;
}

std::string formatData(const RegValue& value)
{
    switch (value.type) {
    case RegType::Sz:
        return "sz:" + quote(value.data);
    case RegType::ExpandSz:
        return "expand_sz:" + quote(value.data);
    case RegType::Binary:
        return "hex:" + hexList(value.data);
    case RegType::Dword:
        if (value.data.size() == 4) {
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i)
                number = (number << 8) | static_cast<unsigned char>(value.data[std::size_t(i)]);
            char text[9];
            std::snprintf(text, sizeof text, "%08x", unsigned(number));
            return std::string("dword:") + text;
        }
        break;
    default:
        break;
    }
    char type[12];
    std::snprintf(type, sizeof type, "%x", unsigned(value.type));
    return std::string("hex(") + type + "):" + hexList(value.data);
}

std::string formatValueLine(const std::string& name, const RegValue& value)
{
    return (name.empty() ? std::string("@") : quote(name)) + "=" + formatData(value);
}

bool startsWithKey(std::string_view keyName, std::string_view prefix)
{
    return keyName.size() > prefix.size() && keyName[prefix.size()] == '\\' &&
           sameName(keyName.substr(0, prefix.size()), prefix);
}

} // namespace

RegistryFormatError::RegistryFormatError(const fs::path& path, int line, const std::string& problem)
    : FileError(path, "Zeile " + std::to_string(line) + ": " + problem), line_(line)
{
}

RegistryDocument RegistryDocument::parse(const std::string& text, const fs::path& source)
{
    RegistryDocument document;
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        document.appendParsedLine(std::move(line), number, source);
        start = end + 1;
    }
    return document;
}

void RegistryDocument::appendParsedLine(std::string line, int number, const fs::path& source)
{
    const auto first = line.find_first_not_of(" \t");
    const char lead = first == std::string::npos ? '\0' : line[first];
    LineParser parser(std::string_view(line).substr(first == std::string::npos ? line.size() : first), source,
                      number);
    if (lead == '[') {
        std::string keyName = parseHeader(std::string_view(line).substr(first), parser);
        if (findSection(keyName))
            parser.fail("Der Schl\u00FCssel \u201E" + keyName + "\u201C steht ein zweites Mal in der Datei.");
        sections_.push_back({std::move(keyName), std::move(line), {}});
    } else if (lead == '"' || lead == '@') {
        auto [name, value] = parseValueLine(parser);
        if (sections_.empty())
            parser.fail("Vor diesem Wert steht kein Schl\u00FCssel in eckigen Klammern.");
        for (const Line& earlier : sections_.back().lines)
            if (earlier.valueName && sameName(*earlier.valueName, name))
                parser.fail("Der Wert \u201E" + name +
                            "\u201C steht in diesem Schl\u00FCssel ein zweites Mal.");
        sections_.back().lines.push_back({std::move(line), std::move(name), std::move(value)});
    } else if (sections_.empty()) {
        preamble_.push_back(std::move(line));
    } else {
        sections_.back().lines.push_back({std::move(line), std::nullopt, {}});
    }
}

std::string RegistryDocument::text() const
{
    std::string out;
    for (const std::string& line : preamble_)
        out += line + '\n';
    for (const Section& section : sections_) {
        out += section.header + '\n';
        for (const Line& line : section.lines)
            out += line.text + '\n';
    }
    return out;
}

RegistryDocument::Section* RegistryDocument::findSection(const std::string& keyName)
{
    for (Section& section : sections_)
        if (sameName(section.keyName, keyName))
            return &section;
    return nullptr;
}

const RegistryDocument::Section* RegistryDocument::findSection(const std::string& keyName) const
{
    return const_cast<RegistryDocument*>(this)->findSection(keyName);
}

bool RegistryDocument::hasKey(const std::string& keyName) const
{
    for (const Section& section : sections_)
        if (sameName(section.keyName, keyName) || startsWithKey(section.keyName, keyName))
            return true;
    return false;
}

bool RegistryDocument::addKey(const std::string& keyName)
{
    if (findSection(keyName))
        return false;
    if (preamble_.empty() && sections_.empty())
        preamble_.emplace_back(kNewFileComment);
    // A blank line before each new key keeps the file readable.
    if (sections_.empty()) {
        if (!preamble_.back().empty())
            preamble_.emplace_back();
    } else {
        std::vector<Line>& lines = sections_.back().lines;
        if (lines.empty() || !lines.back().text.empty())
            lines.push_back({"", std::nullopt, {}});
    }
    sections_.push_back({keyName, "[" + keyName + "]", {}});
    return true;
}

std::optional<RegValue> RegistryDocument::value(const std::string& keyName, const std::string& name) const
{
    const Section* section = findSection(keyName);
    if (!section)
        return std::nullopt;
    for (const Line& line : section->lines)
        if (line.valueName && sameName(*line.valueName, name))
            return line.value;
    return std::nullopt;
}

void RegistryDocument::setValue(const std::string& keyName, const std::string& name, const RegValue& value)
{
    addKey(keyName);
    std::vector<Line>& lines = findSection(keyName)->lines;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].valueName)
            continue;
        if (sameName(*lines[i].valueName, name)) {
            // The stored name keeps its spelling, as the registry does.
            lines[i].text = formatValueLine(*lines[i].valueName, value);
            lines[i].value = value;
            return;
        }
        insertAt = i + 1;
    }
    lines.insert(lines.begin() + std::ptrdiff_t(insertAt), Line{formatValueLine(name, value), name, value});
}

} // namespace zelvant
