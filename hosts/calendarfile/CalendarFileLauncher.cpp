#include "hosts/calendarfile/CalendarFileLauncher.h"

namespace zelvant {

CalendarFileLauncher::CalendarFileLauncher(std::filesystem::path path, std::string timeZone)
    : path_(std::move(path)), timeZone_(std::move(timeZone))
{
}

CalendarApplication& CalendarFileLauncher::start()
{
    // The file is open once at a time: a second view of it would overwrite the first one's changes.
    if (application_ && !application_->isQuit())
        return *application_;
    application_ = std::make_unique<CalendarFileApplication>(CalendarFile::load(path_, timeZone_));
    return *application_;
}

} // namespace zelvant
