#include "hosts/projectfile/XmlSplice.h"

#include "tests/hosts/projectfile/PlanFiles.h"

#include <gtest/gtest.h>

#include <functional>

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

} // namespace
} // namespace zelvant
