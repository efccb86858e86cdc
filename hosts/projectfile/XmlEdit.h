#pragma once

// Small edits on a pugixml tree that keep a plan file's element order: the plan's reader expects
// the children of a task, an assignment or the project in a fixed sequence, so an element that
// was missing goes where that sequence puts it, not at the end.

#include <pugixml.hpp>

#include <initializer_list>
#include <string_view>
#include <unordered_map>

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

private:
    std::unordered_map<std::string_view, int> ranks_;
};

class XmlEdit {
public:
    // The named child, created at its place in `order` when missing.
    static pugi::xml_node child(pugi::xml_node parent, const char* name, const ElementOrder& order);
    // Sets the named child's text, creating the child at its place in `order` when missing.
    static void setText(pugi::xml_node parent, const char* name, std::string_view text,
                        const ElementOrder& order);
    // Sets the text of the named child only when the child exists; returns whether it did.
    static bool setTextIfPresent(pugi::xml_node parent, const char* name, std::string_view text);
    // Appends a child holding only text: <name>text</name>.
    static pugi::xml_node appendText(pugi::xml_node parent, const char* name, std::string_view text);
    // A new child inserted after `after` (or first, when `after` is empty).
    static pugi::xml_node insertAfter(pugi::xml_node parent, pugi::xml_node after, const char* name);
};

} // namespace zelvant
