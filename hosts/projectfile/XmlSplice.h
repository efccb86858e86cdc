#pragma once

// Writes an edited tree back as the text it was read from, changed only where the edits changed
// it. A plan file is the user's: its line ends, indentation, empty-element style, declaration and
// comments are theirs, and a diff after a run must show the run's changes and nothing else.
//
// Every node that did not change keeps its bytes. An element that changed keeps its own tags and
// the bytes of its unchanged children; only a changed text, a new element and the lines of a
// removed one differ. New elements follow the file's own style: the indentation of their
// siblings (or one step in from their parent), its line end, and its way of writing <Empty/>.

#include "hosts/projectfile/XmlEdit.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace zelvant {

class XmlSplice {
public:
    // How a tree must be read for render(): declarations, comments and processing instructions
    // are nodes of their own, so that nothing but whitespace lies between two nodes. An element's
    // text is kept in the element itself, which halves the tree of a plan's many small values.
    static constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                              pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi |
                                              pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

    // The text `original`, which `document` was read from (UTF-8, without conversion), with the
    // changes recorded in `changes` written in.
    static std::string render(std::string_view original, const pugi::xml_document& document,
                              const XmlChanges& changes);
};

} // namespace zelvant
