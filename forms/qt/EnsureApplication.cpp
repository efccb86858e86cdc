#include "forms/qt/EnsureApplication.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace zelvant {

std::unique_ptr<QApplication> ensureApplication()
{
    if (QApplication::instance())
        return nullptr;
    // Qt keeps referring to argc and argv, so they must outlive the application.
    static int argc = 1;
    static char name[] = "zelvant";
    static char* argv[] = {name, nullptr};
    auto application = std::make_unique<QApplication>(argc, argv);
    useGermanQtTexts(*application);
    return application;
}

bool useGermanQtTexts(QCoreApplication& application)
{
    static constexpr const char* kName = "zelvant-qtbase-de";
    if (application.findChild<QTranslator*>(kName))
        return true;
    // Owned by the application, so it goes when the application does.
    auto* catalogue = new QTranslator(&application);
    catalogue->setObjectName(kName);
    if (!catalogue->load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete catalogue;
        return false;
    }
    QCoreApplication::installTranslator(catalogue);
    return true;
}

} // namespace zelvant
