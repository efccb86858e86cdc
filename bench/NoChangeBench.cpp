// A synchronisation with nothing to do, end to end through the command line's code: a generated
// plan of 10,000 tasks, all linked, and a calendar of 20,000 events (11,500 of them the tasks'
// appointments). Such a run only reads, so it is held against the bare libraries reading the same
// files (pugixml's load of the plan, libical's parse and serialise of the calendar).
// Prints: nochange tasks=10000 events=20000 seconds=S floor=S ratio=R peak_mb=M
// The sync runs in a child process of its own, so that its peak memory is its own.

#include "app/cli/Commands.h"
#include "bench/FileBench.h"
#include "hosts/common/FileStore.h"
#include "hosts/registry/MemoryRegistry.h"

#include <libical/ical.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelvant;
namespace fs = std::filesystem;

namespace {

constexpr int kBaseEvents = 8500; // and 11,500 appointments of the linked tasks: 20,000 events

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    return best;
}

cli::CommandOptions optionsFor(const fs::path& dir)
{
    cli::CommandOptions options;
    options.project = dir / "plan.xml";
    options.calendar = dir / "calendar.ics";
    options.quiet = true;
    return options;
}

// The child: three syncs with nothing to do; prints the best time and the process's peak memory.
int syncOnly(const fs::path& dir)
{
    MemoryRegistry registry;
    std::ostringstream out, err;
    cli::CommandContext context{registry, out, err};
    const cli::CommandOptions options = optionsFor(dir);
    const auto before = fs::last_write_time(*options.calendar);
    int status = 0;
    const double seconds = bestOf(3, [&] { status = std::max(status, cli::runSync(options, context)); });
    if (status != 0 || fs::last_write_time(*options.calendar) != before) {
        std::fprintf(stderr, "nochange: the sync wrote or failed (status %d)\n%s", status, err.str().c_str());
        return 1;
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%.4f %.1f\n", seconds, double(usage.ru_maxrss) / 1024.0);
    return 0;
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The files: a plan indented as the plan application writes it and a calendar, linked once.
void prepare(const fs::path& dir)
{
    fs::create_directories(dir);
    pugi::xml_document document;
    const std::string plan = generatePlan(false);
    document.load_buffer(plan.data(), plan.size(), pugi::parse_default | pugi::parse_declaration);
    document.save_file((dir / "plan.xml").c_str(), "\t");
    writeFile(dir / "calendar.ics", generateCalendar(kBaseEvents));
    MemoryRegistry registry;
    std::ostringstream out, err;
    cli::CommandContext context{registry, out, err};
    if (cli::runLinkTasks(optionsFor(dir), context) != cli::kDone)
        std::fprintf(stderr, "nochange: linking failed\n%s", err.str().c_str());
}

double floorSeconds(const fs::path& dir)
{
    const std::string plan = readWholeFile(dir / "plan.xml");
    const std::string calendar = readWholeFile(dir / "calendar.ics");
    return bestOf(3, [&] {
        pugi::xml_document document;
        document.load_buffer(plan.data(), plan.size());
        icalcomponent* parsed = icalparser_parse_string(calendar.c_str());
        char* text = icalcomponent_as_ical_string_r(parsed);
        std::free(text);
        icalcomponent_free(parsed);
    });
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("TZ", "Europe/Berlin", 1);
    if (argc == 3 && std::string(argv[1]) == "--sync-only")
        return syncOnly(argv[2]);

    const fs::path dir = fs::temp_directory_path() / ("zelvant-bench-nochange-" + std::to_string(::getpid()));
    // Whatever the command line keeps beside the user's settings stays in the bench's folder.
    ::setenv("ZELVANT_REGISTRY_FILE", (dir / "registry.txt").c_str(), 1);
    prepare(dir);
    const double megabytes =
        double(fs::file_size(dir / "plan.xml") + fs::file_size(dir / "calendar.ics")) / (1024.0 * 1024.0);

    std::string command = std::string(argv[0]) + " --sync-only " + dir.string();
    FILE* child = ::popen(command.c_str(), "r");
    double seconds = 0, peakMb = 0;
    const bool measured = child && std::fscanf(child, "%lf %lf", &seconds, &peakMb) == 2;
    if (child)
        ::pclose(child);
    const double floor = floorSeconds(dir);
    if (!std::getenv("ZELVANT_BENCH_KEEP"))
        fs::remove_all(dir);
    if (!measured)
        return 1;
    std::printf("nochange tasks=10000 events=20000 seconds=%.3f floor=%.3f ratio=%.2f peak_mb=%.1f\n",
                seconds, floor, seconds / floor, peakMb);
    std::printf("nochange peak %.1fx the %.1f MB of both files\n", peakMb / megabytes, megabytes);
    return 0;
}
