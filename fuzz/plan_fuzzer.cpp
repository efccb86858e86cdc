// The plan file: loaded as the program loads it, each task given a link value in Text29 and the
// project a free text, as a run of the program does, saved by the program's writer, and loaded
// again: every task must come back as it was, with the values written.

#include "engine/LinkModel.h"
#include "fuzz/FuzzSupport.h"
#include "hostapi/HostError.h"
#include "hosts/projectfile/ProjectFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace zelvant;

namespace {

// What the model shows of a task, compared field by field after the save.
struct TaskView {
    int id = 0;
    std::string name;
    DateTime start{};
    DateTime finish{};
    Minutes duration{};
    ConstraintType constraint{};
    DateTime constraintDate{};
    TaskType type{};
    std::string calendar;
    bool summary = false;
    std::string resources;
    std::vector<SplitPart> parts;
    std::map<int, std::string> fields;

    bool operator==(const TaskView&) const = default;
};

std::map<int, TaskView> viewOf(MemoryProject& project)
{
    static const std::vector<int> fieldIds = [] {
        std::vector<int> ids;
        for (int n = 1; n <= 30; ++n)
            ids.push_back(GetFieldId("Text" + std::to_string(n)));
        return ids;
    }();
    std::map<int, TaskView> view;
    for (Task* task : project.tasks()) {
        TaskView& row = view[task->uniqueId()];
        row.id = task->id();
        row.name = task->name();
        row.start = task->start();
        row.finish = task->finish();
        row.duration = task->duration();
        row.constraint = task->constraintType();
        row.constraintDate = task->constraintDate();
        row.type = task->type();
        row.calendar = task->calendarName();
        row.summary = task->isSummary();
        row.resources = task->resourceNames();
        for (int i = 1; i <= task->splitPartCount(); ++i)
            row.parts.push_back(task->splitPart(i));
        for (int id : fieldIds)
            if (std::string value = task->getField(id); !value.empty())
                row.fields[id] = std::move(value);
    }
    return view;
}

std::string describe(int uid, const TaskView& want, const TaskView& got)
{
    std::string text = "task " + std::to_string(uid) + ":";
    if (want.name != got.name)
        text += " name '" + want.name + "' -> '" + got.name + "'";
    if (want.start != got.start || want.finish != got.finish)
        text += " schedule " + formatIso(want.start) + ".." + formatIso(want.finish) + " -> " +
                formatIso(got.start) + ".." + formatIso(got.finish);
    if (want.duration != got.duration)
        text += " duration " + std::to_string(want.duration.count()) + " -> " +
                std::to_string(got.duration.count());
    if (want.fields != got.fields)
        text += " custom fields differ";
    if (want.parts != got.parts)
        text += " split parts differ";
    if (want.resources != got.resources || want.calendar != got.calendar)
        text += " resources or calendar differ";
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = fuzz::writeScratch("Plan.xml", {reinterpret_cast<const char*>(data), size});
    std::unique_ptr<ProjectFile> file;
    try {
        file = ProjectFile::load(path);
    } catch (const HostError&) {
        return 0; // refused with a message for the user: what a reader must do with a bad file
    }

    MemoryProject& project = file->project();
    std::map<int, TaskView> want;
    try {
        want = viewOf(project);
    } catch (const HostError& error) {
        fuzz::fail(__FILE__, __LINE__, std::string("a loaded task cannot be read: ") + error.what());
    }

    // What a linking run writes: Text29 on every task, made from the task itself, so the names
    // and characters of the input go through the writer.
    for (Task* task : project.tasks()) {
        char key[32];
        std::snprintf(key, sizeof key, "%021d", task->uniqueId());
        const std::string value = link::build(0, std::string(key).substr(0, 21), task->start(),
                                              task->finish(), leftChars(task->name(), kMaxNameLength));
        try {
            task->setField(kText29, value);
        } catch (const HostError&) {
            continue; // a task that takes no field keeps what it had
        }
        want[task->uniqueId()].fields[kText29] = value;
    }
    const std::string projectText = "Verkn\u00FCpft & gepr\u00FCft <" + project.name() + ">";
    project.setText(projectText);

    try {
        file->save();
    } catch (const HostError&) {
        return 0; // the save refused with a message; the file is as it was
    }

    std::unique_ptr<ProjectFile> again;
    try {
        again = ProjectFile::load(path);
    } catch (const std::exception& error) {
        fuzz::fail(__FILE__, __LINE__, std::string("the saved plan does not load: ") + error.what());
    }
    const std::map<int, TaskView> got = viewOf(again->project());
    ZELVANT_FUZZ_CHECK(got.size() == want.size(),
                       "task count " + std::to_string(want.size()) + " -> " + std::to_string(got.size()));
    for (const auto& [uid, row] : want) {
        const auto found = got.find(uid);
        ZELVANT_FUZZ_CHECK(found != got.end(), "task " + std::to_string(uid) + " is gone");
        ZELVANT_FUZZ_CHECK(found->second == row, describe(uid, row, found->second));
    }
    ZELVANT_FUZZ_CHECK(again->project().text() == projectText, "project text did not come back");
    return 0;
}
