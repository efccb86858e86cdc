#include "windows/com/ComCalendar.h"

#include "windows/com/Wide.h"

#include <oleauto.h>

namespace zelvant {

// User properties ------------------------------------------------------------------------------------

namespace {

class ComUserProperty : public UserProperty {
public:
    explicit ComUserProperty(Dispatch property) : property_(std::move(property)) {}
    std::string value() const override { return property_.get("Value").text(); }
    void setValue(const std::string& value) override { property_.put("Value", value); }

private:
    Dispatch property_;
};

} // namespace

UserProperty& ComUserProperties::keep(const std::string& name, Dispatch property)
{
    std::unique_ptr<UserProperty>& kept = found_[name];
    kept = std::make_unique<ComUserProperty>(std::move(property));
    return *kept;
}

UserProperty* ComUserProperties::find(const std::string& name)
{
    // Find answers Nothing for a property the item does not have, where Item would raise.
    DispatchPtr property = properties_.call("Find", {name}).object();
    return property ? &keep(name, Dispatch(std::move(property), "UserProperty")) : nullptr;
}

UserProperty& ComUserProperties::add(const std::string& name, int type, bool addToFolderFields)
{
    return keep(name, properties_.object("Add", {name, type, addToFolderFields}));
}

// Appointment ----------------------------------------------------------------------------------------

const Dispatch& ComAppointment::item() const
{
    if (removed_)
        throw HostError("AppointmentItem: der Termin wurde gel\u00F6scht");
    return item_;
}

DateTime ComAppointment::start() const
{
    return item().get("Start").date().value_or(DateTime{});
}

void ComAppointment::setStart(DateTime start)
{
    item().put("Start", Variant::date(start));
}

DateTime ComAppointment::end() const
{
    return item().get("End").date().value_or(DateTime{});
}

void ComAppointment::setEnd(DateTime end)
{
    item().put("End", Variant::date(end));
}

bool ComAppointment::allDayEvent() const
{
    return item().get("AllDayEvent").flag();
}

std::string ComAppointment::subject() const
{
    return item().get("Subject").text();
}

void ComAppointment::setSubject(const std::string& subject)
{
    item().put("Subject", subject);
}

BusyStatus ComAppointment::busyStatus() const
{
    return BusyStatus(item().get("BusyStatus").number());
}

void ComAppointment::setBusyStatus(BusyStatus status)
{
    item().put("BusyStatus", int(status));
}

std::string ComAppointment::categories() const
{
    return item().get("Categories").text();
}

std::string ComAppointment::entryId() const
{
    return item().get("EntryID").text();
}

UserProperties& ComAppointment::userProperties()
{
    if (!properties_)
        properties_ = std::make_unique<ComUserProperties>(item().object("UserProperties"));
    return *properties_;
}

void ComAppointment::save()
{
    item().call("Save");
}

void ComAppointment::remove()
{
    item().call("Delete");
    removed_ = true;
}

// Folder, namespace, application -----------------------------------------------------------------------

std::vector<AppointmentPtr> ComCalendarFolder::items()
{
    const Dispatch items = folder_.object("Items");
    const int count = items.get("Count").number();
    std::vector<AppointmentPtr> result;
    result.reserve(std::size_t(count > 0 ? count : 0));
    for (int index = 1; index <= count; ++index)
        result.push_back(std::make_shared<ComAppointment>(items.object("Item", {index})));
    return result;
}

CalendarFolder& ComCalendarNamespace::getDefaultFolder(int folder)
{
    std::unique_ptr<ComCalendarFolder>& adapter = folders_[folder];
    if (!adapter)
        adapter = std::make_unique<ComCalendarFolder>(namespace_.object("GetDefaultFolder", {folder}));
    return *adapter;
}

CalendarNamespace& ComCalendarApplication::getNamespace(const std::string& type)
{
    if (!namespace_)
        namespace_ = std::make_unique<ComCalendarNamespace>(application_.object("GetNamespace", {type}));
    return *namespace_;
}

AppointmentPtr ComCalendarApplication::createItem(int itemType)
{
    return std::make_shared<ComAppointment>(application_.object("CreateItem", {itemType}));
}

void ComCalendarApplication::quit()
{
    if (startedHere_)
        application_.call("Quit");
}

// Launcher ---------------------------------------------------------------------------------------------

CLSID ComCalendarLauncher::classId() const
{
    CLSID id{};
    check(CLSIDFromProgID(wide(progId_).c_str(), &id), progId_);
    return id;
}

CalendarApplication* ComCalendarLauncher::running()
{
    CLSID id{};
    if (FAILED(CLSIDFromProgID(wide(progId_).c_str(), &id)))
        return nullptr; // not even installed: nothing runs
    ComPtr<IUnknown> active;
    if (FAILED(GetActiveObject(id, nullptr, active.put())) || !active)
        return nullptr;
    DispatchPtr application;
    if (FAILED(active->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(application.put()))))
        return nullptr;
    application_ = std::make_unique<ComCalendarApplication>(Dispatch(std::move(application), progId_), false);
    return application_.get();
}

CalendarApplication& ComCalendarLauncher::start()
{
    DispatchPtr application;
    check(CoCreateInstance(classId(), nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                           reinterpret_cast<void**>(application.put())),
          progId_);
    application_ = std::make_unique<ComCalendarApplication>(Dispatch(std::move(application), progId_), true);
    return *application_;
}

} // namespace zelvant
