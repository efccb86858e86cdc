// zelvant-host: a small desktop host for the Zelvant add-in. It shows a project plan, draws its
// menus and toolbars from its command bars and connects the registered add-ins at start.

#include "app/host/HostMainWindow.h"
#include "forms/qt/EnsureApplication.h"
#include "hosts/commandbars/CommandBarFile.h"
#include "hosts/common/UndoJournal.h"
#include "hosts/registry/FileRegistry.h"
#include "hosts/shell/XdgShell.h"

#include <QApplication>
#include <QCommandLineParser>

#include <iostream>
#include <memory>

using namespace zelvant;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("zelvant-host");
    useGermanQtTexts(app);

    QCommandLineParser parser;
    parser.setApplicationDescription("Plan-Host f\u00FCr das Zelvant-Add-In");
    parser.addHelpOption();
    parser.addPositionalArgument("PLAN", "Projektplan (Microsoft Project XML), der ge\u00F6ffnet wird",
                                 "[PLAN]");
    parser.process(app);

    std::unique_ptr<FileRegistry> registry;
    std::filesystem::path barsFile;
    try {
        registry = std::make_unique<FileRegistry>(FileRegistry::userFilePath());
        barsFile = CommandBarFile::userFilePath();
    } catch (const std::exception& error) {
        std::cerr << "zelvant-host: " << error.what() << "\n";
        return 2;
    }

    XdgShell shell;
    HostSetup setup{*registry, barsFile, shell};
    // The same journal the command line keeps: either one takes back the other's last run.
    setup.journalFolder = UndoJournal::besideSettings(registry->file());
    HostMainWindow window(setup);
    if (!parser.positionalArguments().isEmpty())
        window.openPlan(parser.positionalArguments().first().toStdString());
    window.show();
    window.start();
    return QApplication::exec();
}
