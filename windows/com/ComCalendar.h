#pragma once

// The calendar over its automation objects: the running or a newly started calendar
// application, its "MAPI" namespace, the default calendar folder and its appointment items.

#include "hostapi/CalendarApi.h"
#include "windows/com/Com.h"

#include <map>
#include <memory>

namespace zelvant {

// The calendar application's programmatic identifier.
inline constexpr const char* kCalendarProgId = "Outlook.Application";

class ComUserProperties : public UserProperties {
public:
    explicit ComUserProperties(Dispatch properties) : properties_(std::move(properties)) {}
    UserProperty* find(const std::string& name) override;
    UserProperty& add(const std::string& name, int type, bool addToFolderFields) override;

private:
    UserProperty& keep(const std::string& name, Dispatch property);
    Dispatch properties_;
    std::map<std::string, std::unique_ptr<UserProperty>> found_;
};

class ComAppointment : public AppointmentItem {
public:
    explicit ComAppointment(Dispatch item) : item_(std::move(item)) {}

    DateTime start() const override;
    void setStart(DateTime start) override;
    DateTime end() const override;
    void setEnd(DateTime end) override;
    bool allDayEvent() const override;
    std::string subject() const override;
    void setSubject(const std::string& subject) override;
    BusyStatus busyStatus() const override;
    void setBusyStatus(BusyStatus status) override;
    std::string categories() const override;
    std::string entryId() const override;
    UserProperties& userProperties() override;
    void save() override;
    void remove() override;

private:
    const Dispatch& item() const;
    Dispatch item_;
    bool removed_ = false;
    std::unique_ptr<ComUserProperties> properties_;
};

class ComCalendarFolder : public CalendarFolder {
public:
    explicit ComCalendarFolder(Dispatch folder) : folder_(std::move(folder)) {}
    std::vector<AppointmentPtr> items() override;

private:
    Dispatch folder_;
};

class ComCalendarNamespace : public CalendarNamespace {
public:
    explicit ComCalendarNamespace(Dispatch space) : namespace_(std::move(space)) {}
    CalendarFolder& getDefaultFolder(int folder) override;

private:
    Dispatch namespace_;
    std::map<int, std::unique_ptr<ComCalendarFolder>> folders_;
};

class ComCalendarApplication : public CalendarApplication {
public:
    // `startedHere`: this program started the application, so quit() closes it.
    ComCalendarApplication(Dispatch application, bool startedHere)
        : application_(std::move(application)), startedHere_(startedHere)
    {
    }
    CalendarNamespace& getNamespace(const std::string& type) override;
    AppointmentPtr createItem(int itemType) override;
    void quit() override;

private:
    Dispatch application_;
    bool startedHere_;
    std::unique_ptr<ComCalendarNamespace> namespace_;
};

// Reaches the calendar application by its programmatic identifier: the one running (from the
// running object table), or a new one.
class ComCalendarLauncher : public CalendarLauncher {
public:
    explicit ComCalendarLauncher(std::string progId = kCalendarProgId) : progId_(std::move(progId)) {}
    CalendarApplication* running() override;
    CalendarApplication& start() override;

private:
    CLSID classId() const;
    std::string progId_;
    std::unique_ptr<ComCalendarApplication> application_;
};

} // namespace zelvant
