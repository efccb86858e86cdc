// The link value: read as the engine reads it, built again by the engine's own builder, and the
// built value must read back to the same count, key, times and name. The subject of a part and
// the first characters of a name ride along: both are taken apart again by later runs.

#include "engine/LinkModel.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace zelvant;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view value(reinterpret_cast<const char*>(data), size);

    // The readers take any text; what they hand out lies inside it.
    const std::string_view key = link::key(value);
    const std::string_view name = link::storedName(value);
    ZELVANT_FUZZ_CHECK(key.size() <= 21, "key longer than its 21 characters");
    ZELVANT_FUZZ_CHECK(value.size() <= 48 || name.size() == value.size() - 48, "name is not the tail");
    const auto count = link::partCount(value);
    const auto start = link::storedStart(value);
    const auto end = link::storedEnd(value);
    ZELVANT_FUZZ_CHECK(!count || (*count >= 0 && *count < kMaxParts), "count outside three digits");

    if (count && start && end && key.size() == 21) {
        // A complete value: the builder lays it out so that it reads back field by field, and
        // byte for byte, since the fields have fixed widths.
        const std::string built = link::build(*count, key, *start, *end, name);
        ZELVANT_FUZZ_CHECK(link::partCount(built) == count, "count does not read back");
        ZELVANT_FUZZ_CHECK(link::key(built) == key, "key does not read back");
        ZELVANT_FUZZ_CHECK(link::storedStart(built) == start, "start does not read back");
        ZELVANT_FUZZ_CHECK(link::storedEnd(built) == end, "end does not read back");
        ZELVANT_FUZZ_CHECK(link::storedName(built) == name, "name does not read back");
        ZELVANT_FUZZ_CHECK(built == value, "a value read and built again differs: " + built);
    }

    // The part subjects a task's appointments carry lose their suffix again, for any name.
    const int parts = 2 + int(size % 998);
    const int index = 1 + int(size % std::size_t(parts));
    const std::string subject = link::subjectFor(value, index, parts);
    ZELVANT_FUZZ_CHECK(link::withoutPartSuffix(subject) == value,
                       "part suffix does not come off: " + subject);
    ZELVANT_FUZZ_CHECK(link::subjectFor(value, 1, 1) == value, "a single part got a suffix");

    // A shortened name is a prefix that ends between characters, and shortening is idempotent.
    const std::size_t keep = size % 64;
    const std::string left = leftChars(value, keep);
    ZELVANT_FUZZ_CHECK(value.substr(0, left.size()) == left, "shortened name is no prefix");
    ZELVANT_FUZZ_CHECK(left.empty() || left.size() == value.size() ||
                           (static_cast<unsigned char>(value[left.size()]) & 0xC0) != 0x80,
                       "shortened name splits a character");
    ZELVANT_FUZZ_CHECK(leftChars(left, keep) == left, "shortening twice shortens again");
    return 0;
}
