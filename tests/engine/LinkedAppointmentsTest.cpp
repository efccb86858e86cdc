// The linked appointments a pass takes at its start: found by key in folder order, each under
// the key it was read with, whatever the pass writes to it later.

#include "engine/LinkedAppointments.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

DateTime at(unsigned day, unsigned hour)
{
    return makeDateTime(2024, 3, day, hour);
}

std::string valueWith(const std::string& key, int index)
{
    return link::build(index, key, at(4, 8), at(4, 9), "Vorgang");
}

TEST(LinkedAppointments, FindsEachKeysAppointmentsInFolderOrder)
{
    EngineWorld w;
    const std::string a = "111111111202403011000", b = "222222222202403011000";
    struct Row {
        const char* subject;
        std::string value; // "" leaves the item without a link
    };
    const Row rows[] = {
        {"a0", valueWith(a, 0)}, {"frei", ""},   {"b0", valueWith(b, 0)},
        {"a1", valueWith(a, 1)}, {"kurz", "00"}, {"a2", valueWith(a, 2)},
    };
    for (const Row& row : rows)
        w.addAppointment(row.subject, at(4, 8), at(4, 9), row.value);

    LinkedAppointments linked(w.calendar, kLinkProperty, w.report);
    const auto subjects = [&](std::string_view key) {
        std::vector<std::string> found;
        for (std::size_t entry : linked.withKey(key))
            found.push_back(linked.item(entry).subject());
        return found;
    };
    EXPECT_EQ(linked.size(), 5u); // all with a value, the short one too
    EXPECT_EQ(subjects(a), (std::vector<std::string>{"a0", "a1", "a2"}));
    EXPECT_EQ(subjects(b), (std::vector<std::string>{"b0"}));
    EXPECT_EQ(subjects(""), (std::vector<std::string>{"kurz"})); // a value too short to hold a key
    EXPECT_TRUE(subjects("333333333202403011000").empty());
    EXPECT_TRUE(subjects(a.substr(0, 20)).empty()); // keys match whole, not by prefix
}

} // namespace
} // namespace zelvant
