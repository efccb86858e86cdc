#pragma once

// Test helpers for plan files: a temporary folder owned by a fixture, copies of the sample files,
// and the leaves of an XML file for comparing two versions element by element.

#include <pugixml.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace zelvant::testing {

namespace fs = std::filesystem;

inline fs::path sampleFile(const std::string& name)
{
    return fs::path(ZELVANT_MSPDI_DATA) / name;
}

inline std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder, removed with everything in it when the owner goes.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "zelvant-plan-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    // A copy of the sample file of that name in this folder.
    fs::path copyOf(const std::string& sample) const
    {
        const fs::path target = path_ / sample;
        fs::copy_file(sampleFile(sample), target, fs::copy_options::overwrite_existing);
        return target;
    }
    // The names of the files in this folder.
    std::set<std::string> names() const
    {
        std::set<std::string> result;
        for (const auto& entry : fs::directory_iterator(path_))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    fs::path path_;
};

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
