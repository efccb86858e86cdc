#include "hosts/caldav/CalDavLauncher.h"

#include "hostapi/HostError.h"
#include "hostapi/Text.h"
#include "hosts/calendarfile/CalendarFileLauncher.h"

#include <cstdlib>

namespace zelvant {

CalDavApplication::CalDavApplication(std::unique_ptr<CalDavCalendar> server, WrittenSink written)
    : server_(std::move(server)), application_(server_->calendar()), written_(std::move(written))
{
}

CalendarNamespace& CalDavApplication::getNamespace(const std::string& type)
{
    return application_.getNamespace(type);
}

AppointmentPtr CalDavApplication::createItem(int itemType)
{
    return application_.createItem(itemType);
}

void CalDavApplication::quit()
{
    if (application_.isQuit()) {
        application_.quit(); // throws as any call after quit
        return;
    }
    const CalDavCalendar::SaveOutcome outcome = server_->save();
    application_.quit();
    if (written_)
        for (const auto& resource : outcome.written)
            written_(resource);
    if (outcome.failures.empty())
        return;
    std::string message = "Nicht alle Termine konnten auf dem Kalenderserver gespeichert werden:";
    for (const auto& failure : outcome.failures)
        message += "\n" + failure.message;
    throw HostError(message);
}

CalendarApplication& CalDavLauncher::start()
{
    application_ = std::make_unique<CalDavApplication>(CalDavCalendar::open(options_), written_);
    return *application_;
}

bool isServerCalendar(const std::string& location)
{
    const std::string scheme = lowerAscii(std::string_view(location).substr(0, 8));
    return scheme.starts_with("http://") || scheme.starts_with("https://");
}

std::filesystem::path serverCacheFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
        return std::filesystem::path(cache) / "zelvant";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".cache" / "zelvant";
    return {};
}

std::unique_ptr<CalendarLauncher> launcherFor(const std::string& location, const std::string& timeZone,
                                              CalDavApplication::WrittenSink written)
{
    if (isServerCalendar(location))
        return std::make_unique<CalDavLauncher>(CalDavCalendar::Options{.url = location,
                                                                        .timeZone = timeZone,
                                                                        .cacheFolder = serverCacheFolder()},
                                                std::move(written));
    return std::make_unique<CalendarFileLauncher>(location, timeZone);
}

} // namespace zelvant
