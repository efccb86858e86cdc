#include "hosts/projectfile/XmlSplice.h"

#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace zelvant {
namespace {

using namespace zelvant::testing;

// A text read into a tree the way a plan file is, with the record of its edits.
struct Edited {
    explicit Edited(std::string content) : text(std::move(content))
    {
        const pugi::xml_parse_result parsed =
            document.load_buffer(text.data(), text.size(), XmlSplice::kParseOptions, pugi::encoding_auto);
        EXPECT_TRUE(parsed) << parsed.description();
    }

    pugi::xml_node root() const { return document.document_element(); }
    std::string render() const { return XmlSplice::render(text, document, changes); }

    std::string text;
    pugi::xml_document document;
    XmlChanges changes;
    XmlEdit edit{changes};
};

// A document's content without the whitespace between elements: what any reader takes from it.
std::string meaningOf(const pugi::xml_document& document)
{
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, std::size_t size) override
        {
            out.append(static_cast<const char*>(data), size);
        }
    } writer;
    document.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.out;
}

std::string meaningOf(const std::string& text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_buffer(text.data(), text.size(), XmlSplice::kParseOptions));
    return meaningOf(document);
}

TEST(XmlSplice, NewAndChangedElementsFollowTheFilesStyle)
{
    using Edit = std::function<void(Edited&)>;
    struct Case {
        const char* rule;
        std::string before;
        Edit edit;
        std::string after;
    };
    auto child = [](Edited& e, const char* name) { return e.root().child(name); };
    const Case cases[] = {
        {"CRLF and tabs stay", "<?xml version=\"1.0\"?>\r\n<P>\r\n\t<A>1</A>\r\n</P>\r\n",
         [](Edited& e) { e.edit.appendText(e.root(), "B", "2"); },
         "<?xml version=\"1.0\"?>\r\n<P>\r\n\t<A>1</A>\r\n\t<B>2</B>\r\n</P>\r\n"},
        {"an empty element opens one step further in", "<P>\n  <E/>\n  <F>x</F>\n</P>\n",
         [&](Edited& e) { e.edit.appendText(child(e, "E"), "C", "y"); },
         "<P>\n  <E>\n    <C>y</C>\n  </E>\n  <F>x</F>\n</P>\n"},
        {"an element with an end tag opens too", "<P>\n\t<L></L>\n</P>",
         [&](Edited& e) { e.edit.appendText(child(e, "L"), "C", "1"); },
         "<P>\n\t<L>\n\t\t<C>1</C>\n\t</L>\n</P>"},
        {"new empty elements end as the file's do", "<P>\n\t<E />\n\t<A>1</A>\n</P>",
         [](Edited& e) { e.edit.appendText(e.root(), "N", ""); }, "<P>\n\t<E />\n\t<A>1</A>\n\t<N />\n</P>"},
        {"a text emptied ends the element the file's way", "<P>\n\t<E/>\n\t<A>1</A>\n</P>",
         [&](Edited& e) { e.edit.setValue(child(e, "A"), ""); }, "<P>\n\t<E/>\n\t<A/>\n</P>"},
        {"a file on one line stays on one line", "<?xml version=\"1.0\"?>\n<P><A>1</A></P>",
         [](Edited& e) {
             pugi::xml_node b = e.edit.insertAfter(e.root(), e.root().child("A"), "B");
             e.edit.appendText(b, "C", "2");
         },
         "<?xml version=\"1.0\"?>\n<P><A>1</A><B><C>2</C></B></P>"},
        {"an element goes between its neighbours at their indentation", "<P>\n\t<A>1</A>\n\t<C>3</C>\n</P>",
         [&](Edited& e) { e.edit.setValue(e.edit.insertAfter(e.root(), child(e, "A"), "B"), "2"); },
         "<P>\n\t<A>1</A>\n\t<B>2</B>\n\t<C>3</C>\n</P>"},
        {"a removed element takes its lines with it",
         "<P>\n\t<A>1</A>\n\t<B>\n\t\t<X>2</X>\n\t</B>\n\t<C>3</C>\n</P>",
         [&](Edited& e) { e.edit.remove(e.root(), child(e, "B")); }, "<P>\n\t<A>1</A>\n\t<C>3</C>\n</P>"},
        {"the last element removed leaves the end tag in place",
         "<P>\r\n\t<A>1</A>\r\n\t<C>3</C>\r\n</P>\r\n",
         [&](Edited& e) { e.edit.remove(e.root(), child(e, "C")); }, "<P>\r\n\t<A>1</A>\r\n</P>\r\n"},
        {"text is escaped, a carriage return included", "<P>\n\t<A>1</A>\n</P>",
         [&](Edited& e) { e.edit.setValue(child(e, "A"), "a<b & \"c\" >\r"); },
         "<P>\n\t<A>a&lt;b &amp; \"c\" &gt;&#13;</A>\n</P>"},
        {"attributes, comments, the mark and the declaration stay",
         "\xEF\xBB\xBF<?xml version='1.0'?>\n<!-- Kopf -->\n<P>\n\t<!-- a -->\n\t<A k = "
         "'v'>1</A>\n</P>\n<!-- Fuß -->\n",
         [&](Edited& e) { e.edit.setValue(child(e, "A"), "2"); },
         "\xEF\xBB\xBF<?xml version='1.0'?>\n<!-- Kopf -->\n<P>\n\t<!-- a -->\n\t<A k = "
         "'v'>2</A>\n</P>\n<!-- Fuß -->\n"},
        {"an empty element with attributes takes a text", "<P>\n\t<A k=\"v\"/>\n</P>",
         [&](Edited& e) { e.edit.setValue(child(e, "A"), "x"); }, "<P>\n\t<A k=\"v\">x</A>\n</P>"},
        {"a changed declaration is written anew, the rest stays",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<P>\n\t<A>1</A>\n</P>",
         [](Edited& e) { e.edit.setAttribute(e.document.first_child(), "encoding", "UTF-8"); },
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<P>\n\t<A>1</A>\n</P>"},
        {"setting the same text changes nothing", "<P>\n\t<A>a&amp;b</A>\n</P>",
         [&](Edited& e) { e.edit.setValue(child(e, "A"), "a&b"); }, "<P>\n\t<A>a&amp;b</A>\n</P>"},
    };
    for (const Case& c : cases) {
        Edited edited(c.before);
        c.edit(edited);
        EXPECT_EQ(edited.render(), c.after) << c.rule;
    }
}

// Every element that holds elements marked as changed, none of them really changed: what comes
// out must be the file, byte for byte, however each element's end is found.
TEST(XmlSplice, ElementsMarkedButUnchangedComeBackByteForByte)
{
    for (const std::string& sample : allSamples()) {
        Edited edited(readText(sampleFile(sample)));
        std::vector<pugi::xml_node> stack{edited.root()};
        while (!stack.empty()) {
            const pugi::xml_node node = stack.back();
            stack.pop_back();
            if (node.first_child().type() != pugi::node_element)
                continue;
            edited.changes.changed(node);
            for (pugi::xml_node child : node.children())
                stack.push_back(child);
        }
        EXPECT_EQ(edited.render(), edited.text) << sample;
    }
}

// Random edits on every sample: the text written means what the tree holds, every line it changes
// lies within an element that was edited, the file's line ends stay, and reading it back and
// writing it again with no edit gives the same bytes.
TEST(XmlSplice, RandomEditsChangeTheirElementsAndNothingElse)
{
    std::mt19937 random(4711);
    const std::vector<std::string> texts{"Kisten", "a<b&c", "Ünterschrift \"x\"", "", "12"};
    for (const std::string& sample : allSamples()) {
        for (int round = 0; round < 12; ++round) {
            Edited edited(readText(sampleFile(sample)));
            std::vector<std::pair<int, int>> edited_lines;
            for (int step = 0; step < 6; ++step) {
                std::vector<pugi::xml_node> elements;
                for (pugi::xml_node node = edited.root(); node;) {
                    if (node.type() == pugi::node_element)
                        elements.push_back(node);
                    if (node.first_child()) {
                        node = node.first_child();
                        continue;
                    }
                    while (node && !node.next_sibling())
                        node = node.parent();
                    node = node ? node.next_sibling() : node;
                }
                const pugi::xml_node target = elements[random() % elements.size()];
                // Edits only on elements read from the file, so that their lines are known.
                const std::ptrdiff_t begin = edited.changes.beginOf(target);
                if (begin < 0)
                    continue;
                const std::string& text = texts[random() % texts.size()];
                const bool leaf = !target.first_child() || target.first_child().type() != pugi::node_element;
                if (leaf && target != edited.root()) {
                    edited.edit.setValue(target, text);
                } else if (random() % 2 == 0) {
                    pugi::xml_node after = target.first_child();
                    for (unsigned skip = random() % 4; after.next_sibling() && skip > 0; --skip)
                        after = after.next_sibling();
                    pugi::xml_node added = edited.edit.insertAfter(target, after, "Neu");
                    edited.edit.appendText(added, "Wert", text);
                } else {
                    pugi::xml_node victim = target.first_child();
                    for (unsigned skip = random() % 4; victim.next_sibling() && skip > 0; --skip)
                        victim = victim.next_sibling();
                    edited.edit.remove(target, victim);
                }
                edited_lines.push_back(linesOfElement(edited.text, std::size_t(begin)));
            }
            const std::string written = edited.render();
            SCOPED_TRACE(sample + ", round " + std::to_string(round));
            const std::string meant = meaningOf(meaningOf(edited.document)); // <A></A> read as <A/>
            const std::string read = meaningOf(written);
            EXPECT_TRUE(read == meant) << firstDifference(meant, read);
            EXPECT_TRUE(touchesOnly(diffLines(edited.text, written), edited_lines));
            const bool crlf = edited.text.find("\r\n") != std::string::npos;
            EXPECT_EQ(std::count(written.begin(), written.end(), '\r') ==
                          std::count(written.begin(), written.end(), '\n'),
                      crlf);
            const Edited again(written);
            EXPECT_EQ(again.render(), written);
        }
    }
}

} // namespace
} // namespace zelvant
