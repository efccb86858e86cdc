#pragma once

#include "hostapi/DateTime.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>

namespace zelvant {

// "Now" as the user's wall clock shows it; injected so that keys and dates are reproducible.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

// The machine's local time.
class SystemClock : public Clock {
public:
    DateTime now() const override;
};

// Makes link keys: nine random digits, then the date and time of creation ("yyyymmdd" "hhnn").
// A key identifies a link for its whole life, so two links must never share one: the generator
// is seeded once (not from the clock per key, which repeats within the same tick) and draws
// again while a key is already in use in the plan or the calendar.
class LinkKeyGenerator {
public:
    LinkKeyGenerator(const Clock& clock, std::uint64_t seed);

    // Marks a key as taken, so next() never returns it.
    void reserve(std::string_view key);
    // A fresh 21-character key.
    std::string next();

    // A seed from the operating system's entropy source.
    static std::uint64_t randomSeed();

private:
    const Clock& clock_;
    std::mt19937_64 random_;
    std::unordered_set<std::string> used_;
};

} // namespace zelvant
