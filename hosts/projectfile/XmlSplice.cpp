#include "hosts/projectfile/XmlSplice.h"

#include "hostapi/Text.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace zelvant {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The part of a run of whitespace that starts the last line in it: "\r\n\t\t" of "\n\n\r\n\t\t".
std::string_view lastLineOf(std::string_view space)
{
    const std::size_t newline = space.rfind('\n');
    if (newline == std::string_view::npos)
        return space;
    return space.substr(newline > 0 && space[newline - 1] == '\r' ? newline - 1 : newline);
}

std::string_view afterNewline(std::string_view separator)
{
    const std::size_t newline = separator.rfind('\n');
    return newline == std::string_view::npos ? std::string_view() : separator.substr(newline + 1);
}

bool holdsNewline(std::string_view text)
{
    return text.find('\n') != std::string_view::npos;
}

bool isText(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// True when `element` holds more than text: elements, comments or processing instructions.
bool holdsMarkup(pugi::xml_node element)
{
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
        if (!isText(child))
            return true;
    return false;
}

// How the file writes what a save adds: its line end between elements, one step of indentation,
// and the end of an empty element. A file on one line gets new elements on that line.
struct Style {
    std::string newline;
    std::string unit;
    std::string emptyEnd = "/>";
};

class Splicer {
public:
    Splicer(std::string_view text, const XmlChanges& changes) : text_(text), changes_(changes) {}

    std::string run(const pugi::xml_document& document)
    {
        const pugi::xml_node root = document.document_element();
        const std::ptrdiff_t rootBegin = changes_.beginOf(root);
        if (rootBegin < 0)
            throw std::logic_error("root element not read from the text");
        style_ = styleOf(root);
        out_.reserve(text_.size() + text_.size() / 64);

        std::size_t copied = 0;
        const pugi::xml_node declaration = document.first_child();
        if (declaration.type() == pugi::node_declaration && changes_.onPath(declaration)) {
            const std::ptrdiff_t begin = changes_.beginOf(declaration);
            if (begin < 0)
                throw std::logic_error("declaration not read from the text");
            out_.append(text_.substr(0, std::size_t(begin)));
            renderNew(declaration, {}, false);
            copied = endOf(declaration, std::size_t(begin));
        }
        out_.append(text_.substr(copied, std::size_t(rootBegin) - copied));
        const std::size_t rootEnd = emit(root, std::size_t(rootBegin));
        out_.append(text_.substr(rootEnd));
        return std::move(out_);
    }

private:
    // Where the run of whitespace that ends at `pos` starts.
    std::size_t spaceBefore(std::size_t pos) const
    {
        while (pos > 0 && isSpace(text_[pos - 1]))
            --pos;
        return pos;
    }

    // The leading whitespace of the line `pos` is on.
    std::string_view indentOfLine(std::size_t pos) const
    {
        const std::size_t newline = pos == 0 ? std::string_view::npos : text_.rfind('\n', pos - 1);
        const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
        std::size_t stop = start;
        while (stop < pos && (text_[stop] == ' ' || text_[stop] == '\t'))
            ++stop;
        return text_.substr(start, stop - start);
    }

    // Just past the '>' of the start tag that begins at `begin`.
    std::size_t startTagEnd(std::size_t begin) const
    {
        for (std::size_t pos = begin + 1; pos < text_.size(); ++pos) {
            const char c = text_[pos];
            if (c == '"' || c == '\'') {
                pos = text_.find(c, pos + 1);
                if (pos == std::string_view::npos)
                    break;
            } else if (c == '>') {
                return pos + 1;
            }
        }
        throw std::logic_error("start tag without end");
    }

    std::size_t past(std::size_t found, std::size_t length) const
    {
        if (found == std::string_view::npos)
            throw std::logic_error("markup without end");
        return found + length;
    }

    // Where the node that begins at `begin` ends in the text read.
    std::size_t endOf(pugi::xml_node node, std::size_t begin)
    {
        switch (node.type()) {
        case pugi::node_pcdata: {
            const std::size_t next = text_.find('<', begin);
            return next == std::string_view::npos ? text_.size() : next;
        }
        case pugi::node_cdata:
            return past(text_.find("]]>", begin), 3);
        case pugi::node_comment:
            return past(text_.find("-->", begin + 4), 3);
        case pugi::node_pi:
        case pugi::node_declaration:
            return past(text_.find("?>", begin + 2), 2);
        case pugi::node_element:
            break;
        default:
            throw std::logic_error("node kind not written back");
        }
        // Between an element and what followed it in the file there is only whitespace: the
        // element ends at the '>' before its next sibling, or before its parent's end tag.
        std::size_t limit = text_.size();
        if (const std::ptrdiff_t next = nextInText(node, begin); next >= 0)
            limit = std::size_t(next);
        else if (node.parent().type() == pugi::node_element)
            limit = endTagOf(node.parent());
        const std::size_t end = spaceBefore(limit);
        if (end <= begin || text_[end - 1] != '>')
            throw std::logic_error("element end not found");
        return end;
    }

    // Where the sibling that followed `node` in the text read begins; -1 when none did.
    std::ptrdiff_t nextInText(pugi::xml_node node, std::size_t begin) const
    {
        std::ptrdiff_t next = -1;
        for (pugi::xml_node sibling = node.next_sibling(); sibling; sibling = sibling.next_sibling())
            if ((next = changes_.beginOf(sibling)) >= 0)
                break;
        if (const auto* removed = changes_.removedFrom(node.parent()))
            for (const std::ptrdiff_t start : *removed)
                if (start > std::ptrdiff_t(begin) && (next < 0 || start < next))
                    next = start;
        return next;
    }

    // Where the end tag of `element` begins in the text read.
    std::size_t endTagOf(pugi::xml_node element)
    {
        const auto known = endTags_.find(element.internal_object());
        if (known != endTags_.end())
            return known->second;
        const std::ptrdiff_t begin = changes_.beginOf(element);
        if (begin < 0)
            throw std::logic_error("parent not read from the text");
        const std::size_t end = endOf(element, std::size_t(begin));
        const std::size_t tag = text_.rfind('<', end - 1);
        if (tag == std::string_view::npos || tag + 1 >= end || text_[tag + 1] != '/')
            throw std::logic_error("end tag not found");
        endTags_.emplace(element.internal_object(), tag);
        return tag;
    }

    // Writes a node read from the text; returns where it ended there.
    std::size_t emit(pugi::xml_node node, std::size_t begin)
    {
        const std::size_t end = endOf(node, begin);
        if (!changes_.onPath(node))
            out_.append(text_.substr(begin, end - begin));
        else if (node.type() == pugi::node_element)
            emitElement(node, begin, end);
        else
            renderNew(node, indentOfLine(begin), false);
        return end;
    }

    void emitElement(pugi::xml_node element, std::size_t begin, std::size_t end)
    {
        const std::size_t tagEnd = startTagEnd(begin);
        const bool wasEmpty = text_[tagEnd - 2] == '/';
        const std::string_view name = element.name();
        if (!holdsMarkup(element)) {
            const std::string content = textOf(element);
            if (content.empty()) {
                appendEmptyTag(begin, tagEnd, wasEmpty);
                return;
            }
            appendOpenTag(begin, tagEnd, wasEmpty);
            out_ += content;
            appendEndTag(name, begin, end, wasEmpty);
            return;
        }
        if (*element.value()) {
            // Text beside elements: never in a plan file; written whole in the file's style.
            renderNew(element, indentOfLine(begin), !style_.newline.empty());
            return;
        }
        appendOpenTag(begin, tagEnd, wasEmpty);
        std::size_t cursor = tagEnd;
        std::string separator;
        bool separatorKnown = false;
        bool lastWasNew = false;
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            const std::ptrdiff_t childBegin = changes_.beginOf(child);
            if (childBegin >= 0) {
                // Its own leading whitespace, not reaching back over what was written before it.
                const std::size_t lead = std::max(spaceBefore(std::size_t(childBegin)), cursor);
                out_.append(text_.substr(lead, std::size_t(childBegin) - lead));
                cursor = emit(child, std::size_t(childBegin));
                lastWasNew = false;
            } else if (isText(child)) {
                renderNew(child, {}, false);
                lastWasNew = false;
            } else {
                if (!separatorKnown) {
                    separator = separatorFor(child, begin);
                    separatorKnown = true;
                }
                out_ += separator;
                renderNew(child, afterNewline(separator), holdsNewline(separator));
                lastWasNew = true;
            }
        }
        const bool onOwnLines = separatorKnown && holdsNewline(separator);
        if (wasEmpty) {
            if (onOwnLines)
                (out_ += style_.newline) += indentOfLine(begin);
            ((out_ += "</") += name) += '>';
            return;
        }
        const std::size_t endTag = text_.rfind('<', end - 1);
        const std::size_t trailing = std::max(spaceBefore(endTag), cursor);
        if (lastWasNew && onOwnLines && trailing == endTag)
            (out_ += style_.newline) += indentOfLine(begin);
        out_.append(text_.substr(trailing, end - trailing));
    }

    // The whitespace before a new child of `element`: that of its nearest sibling read from the
    // text, else a new line one step in from the element's own.
    std::string separatorFor(pugi::xml_node child, std::size_t elementBegin) const
    {
        auto spaceOf = [this](pugi::xml_node sibling) -> std::optional<std::string> {
            const std::ptrdiff_t begin = changes_.beginOf(sibling);
            if (sibling.type() != pugi::node_element || begin < 0)
                return std::nullopt;
            const std::size_t start = spaceBefore(std::size_t(begin));
            return std::string(lastLineOf(text_.substr(start, std::size_t(begin) - start)));
        };
        for (pugi::xml_node sibling = child.previous_sibling(); sibling; sibling = sibling.previous_sibling())
            if (auto space = spaceOf(sibling))
                return *space;
        for (pugi::xml_node sibling = child.next_sibling(); sibling; sibling = sibling.next_sibling())
            if (auto space = spaceOf(sibling))
                return *space;
        if (style_.newline.empty())
            return {};
        return style_.newline + std::string(indentOfLine(elementBegin)) + style_.unit;
    }

    void appendOpenTag(std::size_t begin, std::size_t tagEnd, bool wasEmpty)
    {
        if (!wasEmpty) {
            out_.append(text_.substr(begin, tagEnd - begin));
            return;
        }
        std::size_t stop = tagEnd - 2; // the '/' of "/>"
        while (stop > begin && isSpace(text_[stop - 1]))
            --stop;
        out_.append(text_.substr(begin, stop - begin));
        out_ += '>';
    }

    void appendEmptyTag(std::size_t begin, std::size_t tagEnd, bool wasEmpty)
    {
        if (wasEmpty) {
            out_.append(text_.substr(begin, tagEnd - begin));
            return;
        }
        out_.append(text_.substr(begin, tagEnd - 1 - begin));
        out_ += style_.emptyEnd;
    }

    void appendEndTag(std::string_view name, std::size_t begin, std::size_t end, bool wasEmpty)
    {
        if (!wasEmpty) {
            const std::size_t endTag = text_.rfind('<', end - 1);
            if (endTag != std::string_view::npos && endTag > begin) {
                out_.append(text_.substr(endTag, end - endTag));
                return;
            }
        }
        ((out_ += "</") += name) += '>';
    }

    // The text of an element that holds nothing else, escaped.
    std::string textOf(pugi::xml_node element)
    {
        std::string text;
        appendXmlEscaped(text, element.value(), false);
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_cdata)
                ((text += "<![CDATA[") += child.value()) += "]]>";
            else
                appendXmlEscaped(text, child.value(), false);
        }
        return text;
    }

    // Writes a node that is new to the file, or one changed in a way its bytes cannot follow.
    // `indent` is the indentation of the line the node starts on; `lines` puts its children on
    // lines of their own.
    void renderNew(pugi::xml_node node, std::string_view indent, bool lines)
    {
        switch (node.type()) {
        case pugi::node_pcdata:
            appendXmlEscaped(out_, node.value(), false);
            return;
        case pugi::node_cdata:
            ((out_ += "<![CDATA[") += node.value()) += "]]>";
            return;
        case pugi::node_comment:
            ((out_ += "<!--") += node.value()) += "-->";
            return;
        case pugi::node_pi:
            (out_ += "<?") += node.name();
            if (*node.value())
                (out_ += ' ') += node.value();
            out_ += "?>";
            return;
        case pugi::node_declaration:
            (out_ += "<?") += node.name();
            appendAttributes(node);
            out_ += "?>";
            return;
        case pugi::node_element:
            break;
        default:
            throw std::logic_error("node kind not written back");
        }
        (out_ += '<') += node.name();
        appendAttributes(node);
        if (!holdsMarkup(node)) {
            const std::string content = textOf(node);
            if (content.empty())
                out_ += style_.emptyEnd;
            else
                ((((out_ += '>') += content) += "</") += node.name()) += '>';
            return;
        }
        out_ += '>';
        appendXmlEscaped(out_, node.value(), false);
        const std::string inner = std::string(indent) + style_.unit;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (lines && !isText(child))
                (out_ += style_.newline) += inner;
            renderNew(child, inner, lines);
        }
        if (lines)
            (out_ += style_.newline) += indent;
        ((out_ += "</") += node.name()) += '>';
    }

    void appendAttributes(pugi::xml_node node)
    {
        for (pugi::xml_attribute attribute : node.attributes()) {
            ((out_ += ' ') += attribute.name()) += "=\"";
            appendXmlEscaped(out_, attribute.value(), true);
            out_ += '"';
        }
    }

    Style styleOf(pugi::xml_node root) const
    {
        Style style;
        // The line end and the step of indentation between the project's first elements.
        const std::string_view rootIndent = indentOfLine(std::size_t(changes_.beginOf(root)));
        for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
            const std::ptrdiff_t begin = changes_.beginOf(child);
            if (child.type() != pugi::node_element || begin < 0)
                continue;
            const std::size_t start = spaceBefore(std::size_t(begin));
            const std::string_view space = text_.substr(start, std::size_t(begin) - start);
            const std::size_t newline = space.rfind('\n');
            if (newline == std::string_view::npos)
                continue;
            style.newline = newline > 0 && space[newline - 1] == '\r' ? "\r\n" : "\n";
            const std::string_view indent = space.substr(newline + 1);
            style.unit =
                std::string(indent.starts_with(rootIndent) ? indent.substr(rootIndent.size()) : indent);
            break;
        }
        // The first empty element read decides between <Empty/> and <Empty />.
        int looked = 0;
        for (pugi::xml_node node = root.first_child(); node && looked < 4096; ++looked) {
            if (node.type() == pugi::node_element && !node.first_child() && !*node.value()) {
                const std::ptrdiff_t begin = changes_.beginOf(node);
                if (begin >= 0) {
                    const std::size_t end = text_.find('>', std::size_t(begin));
                    if (end != std::string_view::npos && end > 0 && text_[end - 1] == '/') {
                        style.emptyEnd = end > 1 && text_[end - 2] == ' ' ? " />" : "/>";
                        break;
                    }
                }
            }
            // Depth first, in document order.
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && node != root && !node.next_sibling())
                node = node.parent();
            node = node && node != root ? node.next_sibling() : pugi::xml_node();
        }
        return style;
    }

    std::string_view text_;
    const XmlChanges& changes_;
    Style style_;
    std::string out_;
    std::unordered_map<const void*, std::size_t> endTags_;
};

} // namespace

std::string XmlSplice::render(std::string_view original, const pugi::xml_document& document,
                              const XmlChanges& changes)
{
    if (changes.none())
        return std::string(original);
    return Splicer(original, changes).run(document);
}

} // namespace zelvant
