#pragma once

// Test helpers for plan files: the sample files, and a plan's text with chosen elements taken
// out, for checking that a save touched nothing else, byte for byte.

#include "tests/support/TempDir.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zelvant::testing {

namespace fs = std::filesystem;

// The sample plan file of that name.
inline fs::path sampleFile(const std::string& name)
{
    return fs::path(ZELVANT_MSPDI_DATA) / name;
}

// Every sample plan: written by different programs, with LF and CRLF, indented and on one line.
inline const std::vector<std::string>& allSamples()
{
    static const std::vector<std::string> names{
        "Umzug.xml",          "calendar-calendars-project2019-mspdi.xml",
        "caltest.xml",        "contract-empty.xml",
        "mspdinulltasks.xml", "mspdisplittask.xml",
        "sample.xml",         "task-text-project2019-mspdi.xml"};
    return names;
}

// The text of a plan file without the elements `pick` chooses among the project's children and
// theirs; an element that stands on lines of its own goes with those lines. Two versions of a file
// that differ only inside such elements, or by such elements added or removed, come out the same.
inline std::string withoutElements(const std::string& text, const std::function<bool(pugi::xml_node)>& pick)
{
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size()))
        return "kein XML";
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    auto cut = [&](pugi::xml_node node) {
        if (node.type() != pugi::node_element || !pick(node))
            return;
        std::size_t begin = std::size_t(node.offset_debug() - 1);
        std::size_t end = text.find('>', begin) + 1;
        if (text[end - 2] != '/')
            end =
                text.find("</" + std::string(node.name()) + ">", begin) + std::string(node.name()).size() + 3;
        const std::size_t lineStart = text.rfind('\n', begin) + 1;
        const std::size_t lineEnd = text.find('\n', end);
        if (text.find_first_not_of(" \t", lineStart) == begin && lineEnd != std::string::npos &&
            text.find_first_not_of(" \t\r", end) == lineEnd)
            cuts.emplace_back(lineStart, lineEnd + 1);
        else
            cuts.emplace_back(begin, end);
    };
    for (pugi::xml_node list : document.document_element().children()) {
        cut(list);
        for (pugi::xml_node item : list.children())
            cut(item);
    }
    std::sort(cuts.begin(), cuts.end());
    std::string rest;
    std::size_t at = 0;
    for (const auto& [begin, end] : cuts) {
        rest.append(text, at, begin > at ? begin - at : 0);
        at = std::max(at, end);
    }
    return rest.append(text, at);
}

} // namespace zelvant::testing
