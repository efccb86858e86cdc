// The settings file: read as the file-backed registry reads it, every value stored again through
// the document's writer (which lays each value line out anew), and the text written must read
// back to the same keys and values. A second write of that text changes nothing.

#include "fuzz/FuzzSupport.h"
#include "hosts/registry/RegistryDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace zelvant;

namespace {

const std::filesystem::path kSource = "registry.txt";

struct Entry {
    std::string key;
    std::string name;
    RegValue value;
};

// The document has no listing of its values, so the names are taken from the text here: key
// lines are "[name]", value lines a quoted name or "@". A name this scan gets wrong is looked
// up and not found, which the round trip below does not need.
std::string unquoteName(std::string_view rest)
{
    std::string name;
    for (std::size_t i = 1; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] != '\\' || i + 1 >= rest.size()) {
            name += rest[i];
            continue;
        }
        const char c = rest[++i];
        auto hex = [](char h) {
            return h >= '0' && h <= '9'                     ? h - '0'
                   : (h | 0x20) >= 'a' && (h | 0x20) <= 'f' ? (h | 0x20) - 'a' + 10
                                                            : -1;
        };
        if (c == 'n')
            name += '\n';
        else if (c == 'r')
            name += '\r';
        else if (c == 't')
            name += '\t';
        else if (c == 'x' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 && hex(rest[i + 2]) >= 0) {
            name += char(hex(rest[i + 1]) * 16 + hex(rest[i + 2]));
            i += 2;
        } else
            name += c;
    }
    return name;
}

std::vector<Entry> entriesOf(const RegistryDocument& document, const std::string& text)
{
    std::vector<Entry> entries;
    std::string key;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        line.remove_prefix(first);
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            key = close == std::string_view::npos ? std::string() : std::string(line.substr(1, close - 1));
        } else if (!key.empty() && (line.front() == '"' || line.front() == '@')) {
            std::string name = line.front() == '@' ? std::string() : unquoteName(line);
            if (auto value = document.value(key, name))
                entries.push_back({key, std::move(name), std::move(*value)});
        }
    }
    return entries;
}

// The text without carriage returns at line ends. The document writes "\n" line ends and takes
// one "\r" off each line it reads, so a comment line ending in several keeps losing one a write:
// harmless, and no change of what the file says.
std::string withoutLineEndReturns(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            while (!out.empty() && out.back() == '\r')
                out.pop_back();
        out += c;
    }
    while (!out.empty() && out.back() == '\r')
        out.pop_back();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    RegistryDocument document;
    try {
        document = RegistryDocument::parse(input, kSource);
    } catch (const RegistryFormatError& error) {
        ZELVANT_FUZZ_CHECK(error.line() >= 1, "a format error names no line");
        return 0;
    }
    const std::vector<Entry> entries = entriesOf(document, input);

    // Unchanged, the document writes what it read, line for line.
    const std::string unchanged = document.text();
    RegistryDocument reread;
    try {
        reread = RegistryDocument::parse(unchanged, kSource);
    } catch (const RegistryFormatError& error) {
        fuzz::fail(__FILE__, __LINE__, std::string("the unchanged text no longer reads: ") + error.what());
    }
    ZELVANT_FUZZ_CHECK(withoutLineEndReturns(reread.text()) == withoutLineEndReturns(unchanged),
                       "writing the unchanged text twice differs");

    // Every value stored again, so each value line is laid out by the writer; plus one new key
    // and value holding every kind of character a text may have.
    for (const Entry& entry : entries)
        document.setValue(entry.key, entry.name, entry.value);
    const std::string newKey = "HKEY_CURRENT_USER\\Software\\Zelvant\\Fuzz";
    const RegValue newValue = RegValue::sz(input.substr(0, 64));
    document.setValue(newKey, input.substr(0, 16), newValue);

    const std::string written = document.text();
    RegistryDocument back;
    try {
        back = RegistryDocument::parse(written, kSource);
    } catch (const RegistryFormatError& error) {
        fuzz::fail(__FILE__, __LINE__, std::string("the written text does not read: ") + error.what());
    }
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return text;
    };
    for (const Entry& entry : entries) {
        if (lower(entry.key) == lower(newKey) && lower(entry.name) == lower(input.substr(0, 16)))
            continue; // replaced by the new value on purpose
        const auto value = back.value(entry.key, entry.name);
        ZELVANT_FUZZ_CHECK(value && *value == entry.value, "value \"" + entry.name + "\" changed on the way");
    }
    ZELVANT_FUZZ_CHECK(back.value(newKey, input.substr(0, 16)) == newValue,
                       "the new value did not come back");
    ZELVANT_FUZZ_CHECK(back.hasKey(newKey), "the new key did not come back");
    ZELVANT_FUZZ_CHECK(withoutLineEndReturns(back.text()) == withoutLineEndReturns(written),
                       "writing the written text again differs");
    return 0;
}
