#include "hosts/projectfile/TextFields.h"

namespace zelvant {

namespace {

// The plan's own numbering: Text1-Text5 lie three apart, Text6-Text10 and Text11-Text30 are
// consecutive in two blocks, and the enterprise text fields follow in a block of their own.
constexpr int kText1 = 188743731;
constexpr int kText6 = 188743746;
constexpr int kText11 = 188743997;
constexpr int kEnterpriseText1 = 188744479;

int textId(int n)
{
    if (n <= 5)
        return kText1 + 3 * (n - 1);
    if (n <= 10)
        return kText6 + (n - 6);
    return kText11 + (n - 11);
}

} // namespace

const std::vector<int>& TextFields::ids()
{
    static const std::vector<int> all = [] {
        std::vector<int> result;
        for (int n = 1; n <= 30; ++n)
            result.push_back(textId(n));
        for (int n = 1; n <= 40; ++n)
            result.push_back(kEnterpriseText1 + (n - 1));
        return result;
    }();
    return all;
}

std::string TextFields::name(int fieldId)
{
    for (int n = 1; n <= 30; ++n)
        if (textId(n) == fieldId)
            return "Text" + std::to_string(n);
    if (fieldId >= kEnterpriseText1 && fieldId < kEnterpriseText1 + 40)
        return "Enterprise-Text" + std::to_string(fieldId - kEnterpriseText1 + 1);
    return {};
}

} // namespace zelvant
