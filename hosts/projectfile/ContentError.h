#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace zelvant {

// A value in a plan file that cannot be used, found while reading the tree. It carries where in
// the file the element starts; the file's loader turns it into a message with file name and line.
class ContentError : public std::runtime_error {
public:
    // The problem with `node`, in German.
    ContentError(pugi::xml_node node, const std::string& problem)
        : std::runtime_error(problem), offset_(node.offset_debug())
    {
    }

    // The byte offset of the element in the file, -1 when unknown.
    std::ptrdiff_t offset() const { return offset_; }

    // The same problem, said of `what` (a task, an assignment): "Vorgang UID 5 …: problem".
    ContentError within(const std::string& what) const
    {
        return ContentError(offset_, what + ": " + this->what());
    }

private:
    ContentError(std::ptrdiff_t offset, const std::string& problem)
        : std::runtime_error(problem), offset_(offset)
    {
    }

    std::ptrdiff_t offset_;
};

} // namespace zelvant
