#pragma once

// Small edits on a pugixml tree that keep a plan file's element order, and the record of what
// they changed. The plan's reader expects the children of a task, an assignment or the project
// in a fixed sequence, so an element that was missing goes where that sequence puts it, not at
// the end. Every edit notes the element it changed, so that a save can write back the file's own
// bytes for everything else (see XmlSplice).

#include <pugixml.hpp>

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zelvant {

// The sequence in which an element's children appear in the plan file.
class ElementOrder {
public:
    // The children by name, first to last.
    ElementOrder(std::initializer_list<const char*> names);
    // The position of a child name in the sequence, -1 for a name not in it.
    int rank(std::string_view name) const;

    // The order of a Task's children.
    static const ElementOrder& task();
    // The order of an Assignment's children.
    static const ElementOrder& assignment();
    // The order of the Project element's children.
    static const ElementOrder& project();
    // The order of a TimephasedData element's children.
    static const ElementOrder& timephasedData();

private:
    std::unordered_map<std::string_view, int> ranks_;
};

// What the edits on a tree changed since it was read. A node "on the path" changed itself or
// holds a node that did; every other node read from the file is exactly as the file has it.
class XmlChanges {
public:
    // Records that the text, the attributes or the children of `node` change now.
    void changed(pugi::xml_node node);
    // Records that `child` is taken out of `parent` now.
    void removing(pugi::xml_node parent, pugi::xml_node child);

    // True when `node` or a node below it changed.
    bool onPath(pugi::xml_node node) const { return onPath_.count(node.internal_object()) > 0; }
    // True when nothing changed.
    bool none() const { return onPath_.empty(); }
    // How many edits were recorded so far; grows with every one.
    std::size_t count() const { return count_; }

    // Where `node` starts in the text the tree was read from (its '<', or the first character of
    // a text); -1 for a node that was not read from it.
    std::ptrdiff_t beginOf(pugi::xml_node node) const;
    // Where the children taken out of `parent` started in the text read; nullptr when none were.
    const std::vector<std::ptrdiff_t>* removedFrom(pugi::xml_node parent) const;

private:
    // Nodes are kept by address only: a node taken out of the tree is never looked at again.
    std::unordered_set<const void*> onPath_;
    std::unordered_map<const void*, std::ptrdiff_t> begins_; // taken before a text moved in memory
    std::unordered_map<const void*, std::vector<std::ptrdiff_t>> removed_;
    std::size_t count_ = 0;
};

// Edits that record what they change in an XmlChanges.
class XmlEdit {
public:
    explicit XmlEdit(XmlChanges& changes) : changes_(changes) {}

    // The named child, created at its place in `order` when missing.
    pugi::xml_node child(pugi::xml_node parent, const char* name, const ElementOrder& order);
    // A new child of that name at its place in `order`, after any of the same name.
    pugi::xml_node insert(pugi::xml_node parent, const char* name, const ElementOrder& order);
    // Sets the named child's text, creating the child at its place in `order` when missing.
    void setText(pugi::xml_node parent, const char* name, std::string_view text, const ElementOrder& order);
    // Sets the text of the named child only when the child exists; returns whether it did.
    bool setTextIfPresent(pugi::xml_node parent, const char* name, std::string_view text);
    // Sets the text of `node`; a text equal to the present one changes nothing.
    void setValue(pugi::xml_node node, std::string_view text);
    // Sets an attribute of `node`, adding it when missing; an equal value changes nothing.
    void setAttribute(pugi::xml_node node, const char* name, std::string_view value);
    // Appends a child holding only text: <name>text</name>.
    pugi::xml_node appendText(pugi::xml_node parent, const char* name, std::string_view text);
    // A new child inserted after `after` (or first, when `after` is empty).
    pugi::xml_node insertAfter(pugi::xml_node parent, pugi::xml_node after, const char* name);
    // Takes `child` out of `parent`.
    void remove(pugi::xml_node parent, pugi::xml_node child);

private:
    XmlChanges& changes_;
};

} // namespace zelvant
