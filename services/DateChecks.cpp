#include "services/DateChecks.h"

namespace zelvant {

std::optional<std::string> checkPeriod(std::optional<DateTime> from, std::optional<DateTime> to)
{
    if (!from || !to)
        return kInvalidDateText;
    if (dateOf(*from) > dateOf(*to))
        return kEndBeforeStartText;
    if (dateOf(*from) < dateOf(makeDateTime(1984, 1, 1)) || dateOf(*to) > dateOf(makeDateTime(2049, 12, 31)))
        return kDateOutOfRangeText;
    return std::nullopt;
}

} // namespace zelvant
