#pragma once

#include "hostapi/CalendarApi.h"

namespace zelvant {

// A connection to the calendar application for the length of one piece of work: the running
// application when there is one, else a newly started one, which is quit again when the
// connection ends. An application the user had running is never quit.
class CalendarConnection {
public:
    // Connects; throws HostError when the calendar cannot be reached at all.
    explicit CalendarConnection(CalendarLauncher& launcher);
    // Quits the application if this connection started it; a failure to quit is passed over.
    ~CalendarConnection();

    CalendarConnection(const CalendarConnection&) = delete;
    CalendarConnection& operator=(const CalendarConnection&) = delete;

    // The connected application.
    CalendarApplication& application() { return *application_; }
    // The user's default calendar folder ("MAPI" namespace, folder 9).
    CalendarFolder& folder() { return *folder_; }
    // Ends the connection now: quits the application if this connection started it. Unlike the
    // destructor it reports a failure, which matters where quitting writes the user's calendar.
    void close();
    // True when this connection started the application.
    bool startedHere() const { return startedHere_; }

private:
    void quitIfStartedHere() noexcept;

    CalendarApplication* application_ = nullptr;
    CalendarFolder* folder_ = nullptr;
    bool startedHere_ = false;
};

} // namespace zelvant
