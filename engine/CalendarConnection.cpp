#include "engine/CalendarConnection.h"

#include "hostapi/HostError.h"

#include <exception>

namespace zelvant {

CalendarConnection::CalendarConnection(CalendarLauncher& launcher)
{
    try {
        application_ = launcher.running();
    } catch (const std::exception&) {
        application_ = nullptr; // no answer counts as not running
    }
    if (!application_) {
        application_ = &launcher.start();
        startedHere_ = true;
    }
    try {
        folder_ = &application_->getNamespace("MAPI").getDefaultFolder(kCalendarFolder);
    } catch (const std::exception& error) {
        // The destructor does not run for a half-made connection.
        quitIfStartedHere();
        throw HostError(std::string("Kalender nicht erreichbar: ") + error.what());
    }
}

CalendarConnection::~CalendarConnection()
{
    quitIfStartedHere();
}

void CalendarConnection::close()
{
    if (!startedHere_)
        return;
    startedHere_ = false;
    application_->quit();
}

void CalendarConnection::quitIfStartedHere() noexcept
{
    if (!startedHere_)
        return;
    startedHere_ = false;
    try {
        application_->quit();
    } catch (...) {
        // Closing is a courtesy; the work is done either way.
    }
}

} // namespace zelvant
