// Our plan and calendar files against the bare libraries, in the same run: a generated plan of
// 10,000 tasks (2,000 split) and a calendar of 20,000 events, each loaded, changed and saved.
// Prints: files tasks=10000 events=20000 ours=S floor=S ratio=R peak_mb=M

#include "bench/FileBench.h"

#include <cstdio>
#include <sys/resource.h>

int main()
{
    const FileBenchResult plan = benchPlanFile();
    const FileBenchResult calendar = benchCalendarFile();

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double peakMb = double(usage.ru_maxrss) / 1024.0;
    const double ours = plan.oursSeconds + calendar.oursSeconds;
    const double floor = plan.floorSeconds + calendar.floorSeconds;
    std::printf("files tasks=10000 events=20000 ours=%.3f floor=%.3f ratio=%.2f peak_mb=%.1f\n", ours, floor,
                ours / floor, peakMb);
    std::printf("files plan ours=%.3f floor=%.3f; calendar ours=%.3f floor=%.3f; peak %.1fx the %.1f MB of "
                "both files\n",
                plan.oursSeconds, plan.floorSeconds, calendar.oursSeconds, calendar.floorSeconds,
                peakMb / (plan.fileMegabytes + calendar.fileMegabytes),
                plan.fileMegabytes + calendar.fileMegabytes);
    return 0;
}
