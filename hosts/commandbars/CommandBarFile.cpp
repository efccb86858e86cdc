#include "hosts/commandbars/CommandBarFile.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string flag(bool value)
{
    return value ? "1" : "0";
}

// One line's fields: the word that starts it and its key=value pairs.
struct FileLine {
    std::string kind;
    std::map<std::string, std::string> fields;
};

// Reads one line; `fail` throws with the line's number.
class LineReader {
public:
    LineReader(const std::string& text, const std::function<void(const std::string&)>& fail)
        : text_(text), fail_(fail)
    {
    }

    FileLine read()
    {
        FileLine line;
        line.kind = word();
        skipBlanks();
        while (at_ < text_.size()) {
            const std::string key = word();
            if (key.empty() || !take('='))
                fail_("Erwartet wird Name=Wert, gefunden \u201E" + text_.substr(at_) + "\u201C.");
            line.fields[key] = peek() == '"' ? quotedText() : word();
            skipBlanks();
        }
        return line;
    }

private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool take(char c)
    {
        if (peek() != c)
            return false;
        ++at_;
        return true;
    }
    void skipBlanks()
    {
        while (peek() == ' ' || peek() == '\t')
            ++at_;
    }
    std::string word()
    {
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] != ' ' && text_[at_] != '\t' && text_[at_] != '=' &&
               text_[at_] != '"')
            ++at_;
        return text_.substr(start, at_ - start);
    }
    std::string quotedText()
    {
        take('"');
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c == '\\') {
                if (at_ >= text_.size())
                    break;
                const char escaped = text_[at_++];
                c = escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
            }
            out += c;
        }
        if (!take('"'))
            fail_("Ein Text endet ohne schlie\u00DFendes Anf\u00FChrungszeichen.");
        return out;
    }

    const std::string& text_;
    const std::function<void(const std::string&)>& fail_;
    std::size_t at_ = 0;
};

// Takes the fields out of a line, each with its default when missing.
class Fields {
public:
    Fields(const FileLine& line, const std::function<void(const std::string&)>& fail)
        : line_(line), fail_(fail)
    {
    }

    std::string text(const std::string& key) const
    {
        const auto found = line_.fields.find(key);
        return found == line_.fields.end() ? std::string() : found->second;
    }
    int number(const std::string& key, int fallback) const
    {
        const auto found = line_.fields.find(key);
        if (found == line_.fields.end())
            return fallback;
        const std::string& digits = found->second;
        int value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size())
            fail_("\u201E" + key + "\u201C braucht eine ganze Zahl, nicht \u201E" + digits + "\u201C.");
        return value;
    }
    bool flag(const std::string& key) const { return number(key, 0) != 0; }

private:
    const FileLine& line_;
    const std::function<void(const std::string&)>& fail_;
};

BarState barOf(const Fields& fields)
{
    BarState bar;
    bar.name = fields.text("name");
    bar.nameLocal = fields.text("local");
    bar.type = fields.number("type", kBarTypeNormal);
    bar.position = fields.number("position", kBarTop);
    bar.visible = fields.flag("visible");
    bar.builtIn = fields.flag("builtin");
    return bar;
}

ControlState controlOf(const Fields& fields)
{
    ControlState control;
    control.type = fields.number("type", kControlButton);
    control.id = fields.number("id", kCustomControlId);
    control.caption = fields.text("caption");
    control.tag = fields.text("tag");
    control.parameter = fields.text("parameter");
    control.onAction = fields.text("action");
    control.faceId = fields.number("face", 0);
    control.style = fields.number("style", kButtonAutomatic);
    control.beginGroup = fields.flag("group");
    return control;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

CommandBarFileError::CommandBarFileError(const fs::path& path, int line, const std::string& problem)
    : FileError(path, "Zeile " + std::to_string(line) + ": " + problem), line_(line)
{
}

std::string CommandBarFile::format(const std::vector<BarState>& bars)
{
    std::ostringstream out;
    out << "# zelvant-host: Men\u00FCs und Symbolleisten, eine Zeile je Leiste und je Steuerelement.\n";
    for (const BarState& bar : bars) {
        out << "bar name=" << quoted(bar.name) << " local=" << quoted(bar.nameLocal) << " type=" << bar.type
            << " position=" << bar.position << " visible=" << flag(bar.visible)
            << " builtin=" << flag(bar.builtIn) << "\n";
        for (const ControlState& control : bar.controls)
            out << "  control type=" << control.type << " id=" << control.id
                << " caption=" << quoted(control.caption) << " tag=" << quoted(control.tag)
                << " parameter=" << quoted(control.parameter) << " action=" << quoted(control.onAction)
                << " face=" << control.faceId << " style=" << control.style
                << " group=" << flag(control.beginGroup) << "\n";
    }
    return out.str();
}

std::vector<BarState> CommandBarFile::parse(const std::string& text, const fs::path& source)
{
    std::vector<BarState> bars;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos || raw[start] == '#')
            continue;
        const std::string content = raw.substr(start);
        const std::function<void(const std::string&)> fail = [&](const std::string& problem) {
            throw CommandBarFileError(source, number, problem);
        };
        const FileLine line = LineReader(content, fail).read();
        const Fields fields(line, fail);
        if (line.kind == "bar") {
            bars.push_back(barOf(fields));
            if (bars.back().name.empty())
                fail("Eine Leiste braucht einen Namen.");
        } else if (line.kind == "control") {
            if (bars.empty())
                fail("Ein Steuerelement steht vor der ersten Leiste.");
            bars.back().controls.push_back(controlOf(fields));
        } else {
            fail("Erwartet wird \u201Ebar\u201C oder \u201Econtrol\u201C, gefunden \u201E" + line.kind +
                 "\u201C.");
        }
    }
    return bars;
}

std::optional<std::vector<BarState>> CommandBarFile::load(const fs::path& path)
{
    std::error_code error;
    if (!fs::exists(path, error) && !error)
        return std::nullopt;
    return parse(readWholeFile(path), path);
}

void CommandBarFile::save(const fs::path& path, const std::vector<BarState>& bars)
{
    if (path.has_parent_path()) {
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        if (error)
            throw FileError(path.parent_path(), "Der Ordner kann nicht angelegt werden: " + error.message());
    }
    FileStore::replace(path, format(bars));
}

fs::path CommandBarFile::userFilePath()
{
    if (const std::string file = environment("ZELVANT_COMMANDBARS_FILE"); !file.empty())
        return file;
    // A relative XDG_CONFIG_HOME is to be ignored, as the desktop's base-directory rules say.
    if (const fs::path config = environment("XDG_CONFIG_HOME"); config.is_absolute())
        return config / "zelvant" / "commandbars.txt";
    if (const std::string home = environment("HOME"); !home.empty())
        return fs::path(home) / ".config" / "zelvant" / "commandbars.txt";
    throw HostError(
        "Der Ablageort der Befehlsleisten ist unbekannt: weder XDG_CONFIG_HOME noch HOME ist gesetzt.");
}

} // namespace zelvant
