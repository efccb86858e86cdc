#include "app/cli/Undo.h"

#include "app/cli/Session.h"
#include "hosts/caldav/CalDavCalendar.h"
#include "hosts/common/UndoJournal.h"

#include <ostream>

namespace zelvant::cli {

int runUndo(const std::filesystem::path& journalFolder, bool dryRun, CommandContext& context)
{
    UndoJournal journal(journalFolder);
    CalDavResources server(Session::serverHttpOptions());
    // The command line's one mapping of errors to exit statuses; a file changed since the run
    // is a conflict like any other.
    return guarded(context, [&] {
        try {
            const std::vector<UndoJournal::File> files = journal.files();
            if (files.empty()) {
                context.err
                    << "zelvant: Es gibt keinen Lauf, der r\u00FCckg\u00E4ngig gemacht werden kann.\n";
                return int(kBadInput);
            }
            if (dryRun) {
                journal.check(&server);
                context.out
                    << "Probelauf: nichts wurde geschrieben. R\u00FCckg\u00E4ngig machen w\u00FCrde diese "
                       "Dateien auf ihren Stand vor dem letzten Lauf zur\u00FCcksetzen:\n";
                for (const UndoJournal::File& file : files)
                    context.out << "  " << file.path.string() << '\n';
                return int(kDone);
            }
            const std::vector<std::filesystem::path> restored = journal.undo(&server);
            context.out << "Der letzte Lauf ist r\u00FCckg\u00E4ngig gemacht. Zur\u00FCckgesetzt:\n";
            for (const std::filesystem::path& path : restored)
                context.out << "  " << path.string() << '\n';
            return int(kDone);
        } catch (const ChangedSinceRunError& changed) {
            context.err << "zelvant: " << changed.what() << '\n';
            return int(kConflict);
        }
    });
}

} // namespace zelvant::cli
