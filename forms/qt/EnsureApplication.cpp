#include "forms/qt/EnsureApplication.h"

namespace zelvant {

std::unique_ptr<QApplication> ensureApplication()
{
    if (QApplication::instance())
        return nullptr;
    // Qt keeps referring to argc and argv, so they must outlive the application.
    static int argc = 1;
    static char name[] = "zelvant";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace zelvant
