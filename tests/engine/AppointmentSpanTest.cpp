#include "engine/AppointmentSpan.h"
#include "engine/Progress.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(AppointmentSpan, AStretchWithoutLengthLastsAMinuteInTheCalendar)
{
    const DateTime nine = makeDateTime(2024, 3, 4, 9);
    const DateTime lastMinute = makeDateTime(2024, 3, 4, 23, 59);
    struct Case {
        Span stretch, entry;
    };
    const Case cases[] = {
        {{nine, nine}, {nine, nine + Minutes{1}}},                          // a milestone
        {{lastMinute, lastMinute}, {lastMinute, makeDateTime(2024, 3, 5)}}, // past midnight
        {{nine, nine - Minutes{5}}, {nine, nine + Minutes{1}}},             // ends before it starts
        {{nine, nine + Minutes{1}}, {nine, nine + Minutes{1}}},             // long enough
        {{nine, makeDateTime(2024, 3, 6, 17)}, {nine, makeDateTime(2024, 3, 6, 17)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withEntryLength(c.stretch), c.entry) << formatGermanSpan(c.stretch.start, c.stretch.end);
        EXPECT_EQ(withEntryLength(c.entry), c.entry); // idempotent
        // A timed appointment that does not say the same gets the entry's times.
        EXPECT_EQ(appointmentSpanFor({}, false, c.stretch, [](DateTime, DateTime) { return Minutes{1}; }),
                  c.entry);
    }
}

TEST(Progress, StepsFillTheirStretchOfTheBarEvenly)
{
    struct Case {
        double from, width;
        std::size_t step, steps;
        double percent;
    };
    const Case cases[] = {
        {5, 90, 1, 1, 95},  {5, 90, 1, 3, 35},  {5, 90, 3, 3, 95},
        {50, 45, 0, 9, 50}, {50, 45, 9, 9, 95}, {5, 45, 2, 4, 27.5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(progressAt(c.from, c.width, c.step, c.steps), c.percent) << c.step << "/" << c.steps;
}

} // namespace
} // namespace zelvant
