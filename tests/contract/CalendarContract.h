#pragma once

// Behaviour every calendar backend must share, checked through the abstract host interface only.
// A backend type provides:
//   static std::unique_ptr<CalendarApplication> make();   // a fresh application, empty calendar
//   static void reopen(std::unique_ptr<CalendarApplication>& app);  // store and load again
// Items fetched before reopen() may be stale afterwards; the tests fetch them again.

#include "hostapi/CalendarApi.h"
#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zelvant {

template <typename Backend> class CalendarContract : public ::testing::Test {
protected:
    std::unique_ptr<CalendarApplication> app = Backend::make();

    std::vector<AppointmentPtr> items()
    {
        return app->getNamespace("MAPI").getDefaultFolder(kCalendarFolder).items();
    }

    AppointmentPtr create(const std::string& subject, bool save = true)
    {
        AppointmentPtr item = app->createItem(kAppointmentItem);
        item->setSubject(subject);
        item->setStart(makeDateTime(2024, 5, 6, 9, 0));
        item->setEnd(makeDateTime(2024, 5, 6, 10, 0));
        if (save)
            item->save();
        return item;
    }

    std::vector<std::string> subjects()
    {
        std::vector<std::string> result;
        for (const auto& item : items())
            result.push_back(item->subject());
        return result;
    }

    AppointmentPtr only()
    {
        auto all = items();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? nullptr : all.front();
    }

    void reopen() { Backend::reopen(app); }
};

TYPED_TEST_SUITE_P(CalendarContract);

TYPED_TEST_P(CalendarContract, SavedItemsKeepTheOrderTheyJoinedTheFolder)
{
    auto late = this->create("late", false);
    this->create("first");
    this->create("draft", false); // never saved: never in the folder
    this->create("second");
    late->save();
    late->save(); // a second save must not add the item twice
    this->reopen();
    EXPECT_EQ(this->subjects(), (std::vector<std::string>{"first", "second", "late"}));
    EXPECT_THROW(this->app->getNamespace("MAPI").getDefaultFolder(6), HostError);
}

TYPED_TEST_P(CalendarContract, UserPropertiesKeepEveryCharacterAndReadEmptyOnceEmptied)
{
    const std::string text = "a,b;c\\d \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F \xC3\x84 \\n,;";
    auto item = this->create(text, false);
    EXPECT_EQ(item->userProperties().find("Link"), nullptr);
    item->userProperties().add("Link", kTextProperty).setValue(text);
    item->userProperties().add("Other", kTextProperty, true).setValue("x");
    EXPECT_THROW(item->userProperties().add("Link", kTextProperty), HostError);
    item->save();
    this->reopen();
    auto stored = this->only();
    EXPECT_EQ(stored->subject(), text);
    EXPECT_EQ(stored->userProperties().find("Link")->value(), text);
    EXPECT_EQ(stored->userProperties().find("Missing"), nullptr);
    stored->userProperties().find("Link")->setValue("");
    stored->save();
    this->reopen();
    // A file drops the emptied property altogether; either way it reads as no link.
    const auto emptied = this->only();
    auto* link = emptied->userProperties().find("Link");
    EXPECT_TRUE(link == nullptr || link->value().empty());
}

TYPED_TEST_P(CalendarContract, DeletedItemLeavesTheFolderAndRefusesLaterCalls)
{
    this->create("keep");
    auto gone = this->create("gone");
    this->create("also kept");
    gone->remove();
    EXPECT_THROW(gone->setSubject("x"), HostError);
    EXPECT_THROW(gone->save(), HostError);
    this->reopen();
    EXPECT_EQ(this->subjects(), (std::vector<std::string>{"keep", "also kept"}));
}

TYPED_TEST_P(CalendarContract, EntryIdIsGivenOnSaveAndStaysTheSame)
{
    auto item = this->create("one", false);
    EXPECT_EQ(item->entryId(), "");
    item->save();
    const std::string id = item->entryId();
    EXPECT_FALSE(id.empty());
    item->save();
    EXPECT_EQ(item->entryId(), id);
    EXPECT_NE(this->create("two")->entryId(), id);
    this->reopen();
    EXPECT_EQ(this->items().at(0)->entryId(), id);
}

TYPED_TEST_P(CalendarContract, BusyStatusAndSecondsRoundTrip)
{
    const std::vector<BusyStatus> all{BusyStatus::Free, BusyStatus::Tentative, BusyStatus::Busy,
                                      BusyStatus::OutOfOffice};
    for (BusyStatus status : all) {
        auto item = this->create("status", false);
        item->setBusyStatus(status);
        item->setStart(makeDateTime(2024, 2, 29, 23, 59, 58));
        item->setEnd(makeDateTime(2024, 3, 1, 0, 0, 7));
        item->save();
    }
    this->reopen();
    const auto stored = this->items();
    ASSERT_EQ(stored.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(stored[i]->busyStatus(), all[i]);
        EXPECT_EQ(stored[i]->start(), makeDateTime(2024, 2, 29, 23, 59, 58));
        EXPECT_EQ(stored[i]->end(), makeDateTime(2024, 3, 1, 0, 0, 7));
    }
}

REGISTER_TYPED_TEST_SUITE_P(CalendarContract, SavedItemsKeepTheOrderTheyJoinedTheFolder,
                            UserPropertiesKeepEveryCharacterAndReadEmptyOnceEmptied,
                            DeletedItemLeavesTheFolderAndRefusesLaterCalls,
                            EntryIdIsGivenOnSaveAndStaysTheSame, BusyStatusAndSecondsRoundTrip);

} // namespace zelvant
