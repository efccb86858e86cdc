#pragma once

// Test helpers for plan files: the sample files, and the leaves of an XML file for comparing two
// versions element by element.

#include "tests/support/TempDir.h"

#include <pugixml.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace zelvant::testing {

namespace fs = std::filesystem;

// The sample plan file of that name.
inline fs::path sampleFile(const std::string& name)
{
    return fs::path(ZELVANT_MSPDI_DATA) / name;
}

namespace detail {

inline void collectLeaves(pugi::xml_node node, const std::string& path,
                          std::map<std::string, std::string>& out)
{
    for (pugi::xml_attribute attribute : node.attributes())
        out[path + "/@" + attribute.name()] = attribute.value();
    std::map<std::string, int> seen;
    bool hasElements = false;
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        hasElements = true;
        const std::string name = child.name();
        // Rows, assignments, calendars and resources by UID, so that a change stays in its place.
        const char* uid = child.child_value("UID");
        const bool byUid =
            *uid && (name == "Task" || name == "Assignment" || name == "Calendar" || name == "Resource");
        const std::string label =
            byUid ? name + "{" + uid + "}" : name + "[" + std::to_string(++seen[name]) + "]";
        collectLeaves(child, path + "/" + label, out);
    }
    if (!hasElements)
        out[path] = node.child_value();
}

} // namespace detail

// Every leaf element and attribute of an XML file by its path; whitespace between elements is
// not part of it.
inline std::map<std::string, std::string> leavesOf(const fs::path& file)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(file.c_str(), pugi::parse_default);
    EXPECT_TRUE(parsed) << file << ": " << parsed.description();
    std::map<std::string, std::string> leaves;
    detail::collectLeaves(document.document_element(), document.document_element().name(), leaves);
    return leaves;
}

// The paths whose value differs between two sets of leaves, or that only one of them has.
inline std::set<std::string> changedPaths(const std::map<std::string, std::string>& before,
                                          const std::map<std::string, std::string>& after)
{
    std::set<std::string> changed;
    for (const auto& [path, value] : before) {
        const auto other = after.find(path);
        if (other == after.end() || other->second != value)
            changed.insert(path);
    }
    for (const auto& [path, value] : after)
        if (!before.count(path))
            changed.insert(path);
    return changed;
}

} // namespace zelvant::testing
