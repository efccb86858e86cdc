#include "engine/LinkKeys.h"

#include <cstdio>
#include <ctime>

namespace zelvant {

DateTime SystemClock::now() const
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return makeDateTime(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday),
                        unsigned(local.tm_hour), unsigned(local.tm_min),
                        unsigned(std::min(local.tm_sec, 59)));
}

LinkKeyGenerator::LinkKeyGenerator(const Clock& clock, std::uint64_t seed) : clock_(clock), random_(seed) {}

void LinkKeyGenerator::reserve(std::string_view key)
{
    used_.emplace(key);
}

std::string LinkKeyGenerator::next()
{
    // Integer part of r x 999999999 for r in [0, 1).
    std::uniform_int_distribution<long> digits(0, 999999998);
    const DateTime now = clock_.now();
    for (;;) {
        char random[16];
        std::snprintf(random, sizeof random, "%09ld", digits(random_));
        std::string key = random + formatYmd(now) + formatHm(now);
        if (used_.insert(key).second)
            return key;
    }
}

std::uint64_t LinkKeyGenerator::randomSeed()
{
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ device();
}

} // namespace zelvant
