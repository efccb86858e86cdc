#pragma once

// Test helpers for plan files: the sample files, and a line diff for checking that a save touched
// only the lines of the elements it had to change.

#include "tests/support/TempDir.h"

#include <pugixml.hpp>


#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zelvant::testing {

namespace fs = std::filesystem;

// The sample plan file of that name.
inline fs::path sampleFile(const std::string& name)
{
    return fs::path(ZELVANT_MSPDI_DATA) / name;
}

// Every sample plan: written by different programs, with LF and CRLF, indented and on one line.
inline const std::vector<std::string>& allSamples()
{
    static const std::vector<std::string> names{
        "Umzug.xml",          "calendar-calendars-project2019-mspdi.xml",
        "caltest.xml",        "contract-empty.xml",
        "mspdinulltasks.xml", "mspdisplittask.xml",
        "sample.xml",         "task-text-project2019-mspdi.xml"};
    return names;
}

// The lines of a text, each with its line end, so that a changed line end is a changed line.
inline std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// The line (from 0) that `offset` lies on.
inline int lineAt(std::string_view text, std::size_t offset)
{
    return int(std::count(text.begin(), text.begin() + std::ptrdiff_t(std::min(offset, text.size())), '\n'));
}

// Where a shortest line diff from `before` to `after` touches `before`: the lines it removes and
// the places it inserts at (before that line), each counted from 0.
struct LineDiff {
    std::vector<int> removed;
    std::vector<int> insertedAt;
    bool empty() const { return removed.empty() && insertedAt.empty(); }
};

inline LineDiff diffLines(std::string_view before, std::string_view after)
{
    const auto a = linesOf(before);
    const auto b = linesOf(after);
    const int n = int(a.size());
    const int m = int(b.size());
    const int offset = n + m + 1;
    std::vector<int> v(std::size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= n + m; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[k - 1 + offset] < v[k + 1 + offset])) ? v[k + 1 + offset]
                                                                                   : v[k - 1 + offset] + 1;
            int y = x - k;
            while (x < n && y < m && a[std::size_t(x)] == b[std::size_t(y)])
                ++x, ++y;
            v[k + offset] = x;
            if (x >= n && y >= m)
                goto found;
        }
    }
found:
    LineDiff diff;
    for (int x = n, y = m, d = int(trace.size()) - 1; d > 0; --d) {
        const std::vector<int>& w = trace[std::size_t(d)];
        const int k = x - y;
        const bool down = k == -d || (k != d && w[k - 1 + offset] < w[k + 1 + offset]);
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = w[previousK + offset];
        const int previousY = previousX - previousK;
        if (down)
            diff.insertedAt.push_back(previousX);
        else
            diff.removed.push_back(previousX);
        x = previousX;
        y = previousY;
    }
    return diff;
}

// The first and last line (from 0) of the element that starts at `begin` in `text`.
inline std::pair<int, int> linesOfElement(std::string_view text, std::size_t begin)
{
    int depth = 0;
    std::size_t pos = begin;
    do {
        pos = text.find('<', pos);
        if (text.substr(pos, 4) == "<!--") {
            pos = text.find("-->", pos) + 3;
            continue;
        }
        if (text.substr(pos, 9) == "<![CDATA[") {
            pos = text.find("]]>", pos) + 3;
            continue;
        }
        const std::size_t close = text.find('>', pos);
        if (text[pos + 1] == '/')
            --depth;
        else if (text[close - 1] != '/' && text[pos + 1] != '?')
            ++depth;
        pos = close + 1;
    } while (depth > 0);
    return {lineAt(text, begin), lineAt(text, pos - 1)};
}

// True when every line the diff touches lies in one of the ranges of lines (first, last): it
// removes only lines in them and inserts only after their first line, up to just after their last.
inline bool touchesOnly(const LineDiff& diff, const std::vector<std::pair<int, int>>& ranges)
{
    auto inside = [&ranges](int line, bool insertion) {
        for (const auto& [first, last] : ranges)
            if (line >= first + (insertion ? 1 : 0) && line <= last + (insertion ? 1 : 0))
                return true;
        return false;
    };
    for (const int line : diff.removed)
        if (!inside(line, false))
            return false;
    for (const int line : diff.insertedAt)
        if (!inside(line, true))
            return false;
    return true;
}

} // namespace zelvant::testing
