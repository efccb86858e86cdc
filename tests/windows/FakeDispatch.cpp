#include "tests/windows/FakeDispatch.h"

#include "windows/com/ComCommandBars.h"
#include "windows/com/Wide.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cctype>

namespace zelvant::fake {

World& world()
{
    static World shared;
    return shared;
}

namespace {

// The error number the plan and calendar give for their own failures.
constexpr HRESULT kApplicationError = HRESULT(0x800A03ECL);

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The description a deferred EXCEPINFO is filled with on request.
std::string& pendingDescription()
{
    static std::string text;
    return text;
}

HRESULT STDAPICALLTYPE fillIn(EXCEPINFO* info)
{
    info->bstrDescription = SysAllocString(wide(pendingDescription()).c_str());
    return S_OK;
}

HRESULT fail(const Failure& failure, EXCEPINFO* info, UINT* argumentError)
{
    if (failure.result == DISP_E_EXCEPTION && info) {
        *info = EXCEPINFO{};
        info->scode = failure.scode;
        if (failure.deferred) {
            pendingDescription() = failure.description;
            info->pfnDeferredFillIn = &fillIn;
        } else {
            info->bstrDescription = SysAllocString(wide(failure.description).c_str());
        }
        info->bstrSource = SysAllocString(L"Fake");
    }
    if (argumentError)
        *argumentError = failure.argumentError;
    return failure.result;
}

} // namespace

// Object ---------------------------------------------------------------------------------------------

Object::Object()
{
    ++world().liveObjects;
}

Object::~Object()
{
    --world().liveObjects;
}

Object::Member& Object::member(const std::string& name)
{
    for (Member& known : members_)
        if (known.name == name)
            return known;
    members_.push_back({name, {}, {}});
    return members_.back();
}

Object& Object::get(const std::string& name, Getter getter)
{
    member(name).getter = std::move(getter);
    return *this;
}

Object& Object::put(const std::string& name, Setter setter)
{
    member(name).setter = std::move(setter);
    return *this;
}

HRESULT Object::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        *object = static_cast<IDispatch*>(this);
    else
        *object = extraInterface(iid);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Object::AddRef()
{
    return ULONG(++references_);
}

ULONG Object::Release()
{
    const long left = --references_;
    if (left == 0)
        delete this;
    return ULONG(left);
}

HRESULT Object::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT Object::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (count != 1)
        return DISP_E_UNKNOWNNAME;
    const std::string wanted = lower(narrow(names[0]));
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (lower(members_[i].name) == wanted) {
            ids[0] = DISPID(i + 1);
            return S_OK;
        }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT Object::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                       EXCEPINFO* info, UINT* argumentError)
{
    if (id < 1 || std::size_t(id) > members_.size())
        return DISP_E_MEMBERNOTFOUND;
    const Member& called = members_[std::size_t(id - 1)];
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    world().calls.push_back(called.name + (isPut ? "=" : ""));
    // A property put must name its value DISPID_PROPERTYPUT, or a real object refuses it.
    if (isPut && (parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        world().propertyPutWithoutNamedArgument = true;
        return DISP_E_PARAMNOTFOUND;
    }
    if (const auto planned = world().failures.find(called.name); planned != world().failures.end()) {
        const Failure failure = planned->second;
        world().failures.erase(planned);
        return fail(failure, info, argumentError);
    }
    if (isPut ? !called.setter : !called.getter)
        return DISP_E_MEMBERNOTFOUND;

    Arguments arguments; // written order: the last of rgvarg first
    for (UINT i = parameters->cArgs; i-- > 0;) {
        Variant copy;
        VariantCopyInd(copy.put(), &parameters->rgvarg[i]);
        arguments.push_back(std::move(copy));
    }
    try {
        if (isPut) {
            called.setter(arguments);
        } else {
            Variant answer = called.getter(arguments);
            if (result)
                *result = answer.detach();
        }
        return S_OK;
    } catch (const std::exception& error) {
        return fail({DISP_E_EXCEPTION, error.what(), false, kApplicationError, 0}, info, argumentError);
    }
}

Variant hand(Object* object)
{
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_DISPATCH;
    raw.pdispVal = object;
    return Variant::adopt(raw);
}

namespace {

Variant nothing()
{
    return Variant::object(nullptr);
}

bool given(const Arguments& arguments, std::size_t index)
{
    return index < arguments.size() && arguments[index].type() != VT_ERROR && !arguments[index].empty();
}

DateTime dateArgument(const Arguments& arguments, std::size_t index)
{
    const std::optional<DateTime> date = arguments.at(index).date();
    if (!date)
        throw HostError("kein Datum");
    return *date;
}

// Plan ------------------------------------------------------------------------------------------------

Object* splitParts(Task& task)
{
    auto* parts = new Object;
    parts->get("Count", [&task](const Arguments&) { return Variant(task.splitPartCount()); })
        .get("Add",
             [&task](const Arguments& a) {
                 task.addSplitPart(dateArgument(a, 0), dateArgument(a, 1));
                 return Variant();
             })
        .get("Item", [&task](const Arguments& a) {
            const int index = a.at(0).number();
            const SplitPart part = task.splitPart(index);
            auto* object = new Object;
            object->get("Start", [part](const Arguments&) { return Variant::date(part.start); })
                .get("Finish", [part](const Arguments&) { return Variant::date(part.finish); })
                .get("Delete", [&task, index](const Arguments&) {
                    task.deleteSplitPart(index);
                    return Variant();
                });
            return hand(object);
        });
    return parts;
}

Object* task(Project& project, Task& task)
{
    auto* object = new Object;
    const auto text = [&](const char* name, std::string (Task::*read)() const,
                          void (Task::*write)(const std::string&)) {
        object->get(name, [&task, read](const Arguments&) { return Variant((task.*read)()); });
        if (write)
            object->put(name, [&task, write](const Arguments& a) { (task.*write)(a.back().text()); });
    };
    const auto date = [&](const char* name, DateTime (Task::*read)() const, void (Task::*write)(DateTime)) {
        object->get(name, [&task, read](const Arguments&) { return Variant::date((task.*read)()); });
        object->put(name,
                    [&task, write](const Arguments& a) { (task.*write)(dateArgument(a, a.size() - 1)); });
    };
    text("Name", &Task::name, &Task::setName);
    text("Calendar", &Task::calendarName, nullptr);
    text("ResourceNames", &Task::resourceNames, nullptr);
    date("Start", &Task::start, &Task::setStart);
    date("Finish", &Task::finish, &Task::setFinish);
    date("ConstraintDate", &Task::constraintDate, &Task::setConstraintDate);
    object->get("ID", [&task](const Arguments&) { return Variant(task.id()); })
        .get("UniqueID", [&task](const Arguments&) { return Variant(task.uniqueId()); })
        .get("Summary", [&task](const Arguments&) { return Variant(task.isSummary()); })
        .get("Duration", [&task](const Arguments&) { return Variant(int(task.duration().count())); })
        .put("Duration", [&task](const Arguments& a) { task.setDuration(Minutes{a.back().number()}); })
        .get("ConstraintType", [&task](const Arguments&) { return Variant(int(task.constraintType())); })
        .put("ConstraintType",
             [&task](const Arguments& a) { task.setConstraintType(ConstraintType(a.back().number())); })
        .get("Type", [&task](const Arguments&) { return Variant(int(task.type())); })
        .put("Type", [&task](const Arguments& a) { task.setType(TaskType(a.back().number())); })
        .get("SplitParts", [&task](const Arguments&) { return hand(splitParts(task)); })
        .get("GetField", [&task](const Arguments& a) { return Variant(task.getField(a.at(0).number())); })
        .get("SetField",
             [&task](const Arguments& a) {
                 task.setField(a.at(0).number(), a.at(1).text());
                 return Variant();
             })
        .get("Delete", [&project, &task](const Arguments&) {
            project.removeAddedTask(task);
            return Variant();
        });
    return object;
}

Object* taskList(Project& project, std::function<std::vector<Task*>()> tasks)
{
    auto* list = new Object;
    list->get("Count", [tasks](const Arguments&) { return Variant(int(tasks().size())); })
        .get("Item", [&project, tasks](const Arguments& a) {
            const std::vector<Task*> all = tasks();
            const int index = a.at(0).number();
            if (index < 1 || std::size_t(index) > all.size())
                throw HostError("Index au\u00DFerhalb des g\u00FCltigen Bereichs");
            return hand(task(project, *all[std::size_t(index - 1)]));
        });
    return list;
}

Object* project(Project& project)
{
    auto* object = new Object;
    object->get("Name", [&project](const Arguments&) { return Variant(project.name()); })
        .get("Tasks",
             [&project](const Arguments&) {
                 Object* tasks = taskList(project, [&project] { return project.tasks(); });
                 tasks->get("Add",
                            [&project](const Arguments&) { return hand(task(project, project.addTask())); });
                 tasks->get("Item", [&project](const Arguments& a) {
                     return hand(task(project, project.taskById(a.at(0).number())));
                 });
                 return hand(tasks);
             })
        .get("ProjectNotes", [&project](const Arguments&) { return Variant(project.text()); })
        .put("ProjectNotes", [&project](const Arguments& a) { project.setText(a.back().text()); })
        .get("Saved", [&project](const Arguments&) { return Variant(project.saved()); })
        .get("Calendar", [&project](const Arguments&) {
            auto* calendar = new Object;
            calendar->get("Name", [&project](const Arguments&) { return Variant(project.baseCalendar()); });
            return hand(calendar);
        });
    return object;
}

// Calendar --------------------------------------------------------------------------------------------

Object* userProperty(AppointmentPtr item, UserProperty& property)
{
    auto* object = new Object;
    object->get("Value", [item, &property](const Arguments&) { return Variant(property.value()); })
        .put("Value", [item, &property](const Arguments& a) { property.setValue(a.back().text()); });
    return object;
}

Object* appointment(AppointmentPtr item)
{
    auto* object = new Object;
    object->get("Start", [item](const Arguments&) { return Variant::date(item->start()); })
        .put("Start", [item](const Arguments& v) { item->setStart(dateArgument(v, v.size() - 1)); })
        .get("End", [item](const Arguments&) { return Variant::date(item->end()); })
        .put("End", [item](const Arguments& v) { item->setEnd(dateArgument(v, v.size() - 1)); })
        .get("AllDayEvent", [item](const Arguments&) { return Variant(item->allDayEvent()); })
        .get("Subject", [item](const Arguments&) { return Variant(item->subject()); })
        .put("Subject", [item](const Arguments& v) { item->setSubject(v.back().text()); })
        .get("BusyStatus", [item](const Arguments&) { return Variant(int(item->busyStatus())); })
        .put("BusyStatus", [item](const Arguments& v) { item->setBusyStatus(BusyStatus(v.back().number())); })
        .get("Categories", [item](const Arguments&) { return Variant(item->categories()); })
        .get("EntryID", [item](const Arguments&) { return Variant(item->entryId()); })
        .get("Save",
             [item](const Arguments&) {
                 item->save();
                 return Variant();
             })
        .get("Delete",
             [item](const Arguments&) {
                 item->remove();
                 return Variant();
             })
        .get("UserProperties", [item](const Arguments&) {
            auto* properties = new Object;
            properties
                ->get("Find",
                      [item](const Arguments& v) {
                          UserProperty* found = item->userProperties().find(v.at(0).text());
                          return found ? hand(userProperty(item, *found)) : nothing();
                      })
                .get("Add", [item](const Arguments& v) {
                    return hand(
                        userProperty(item, item->userProperties().add(v.at(0).text(), v.at(1).number(),
                                                                      given(v, 2) && v.at(2).flag())));
                });
            return hand(properties);
        });
    return object;
}

} // namespace

Object* calendarApplication(CalendarApplication& calendar)
{
    auto* object = new Object;
    object->get("GetNamespace", [&calendar](const Arguments& a) {
        CalendarNamespace& space = calendar.getNamespace(a.at(0).text());
        auto* ns = new Object;
        ns->get("GetDefaultFolder", [&space](const Arguments& v) {
            CalendarFolder& folder = space.getDefaultFolder(v.at(0).number());
            auto* f = new Object;
            f->get("Items", [&folder](const Arguments&) {
                auto all = std::make_shared<std::vector<AppointmentPtr>>(folder.items());
                auto* items = new Object;
                items->get("Count", [all](const Arguments&) { return Variant(int(all->size())); })
                    .get("Item", [all](const Arguments& v2) {
                        const int index = v2.at(0).number();
                        if (index < 1 || std::size_t(index) > all->size())
                            throw HostError("Index au\u00DFerhalb des g\u00FCltigen Bereichs");
                        return hand(appointment((*all)[std::size_t(index - 1)]));
                    });
                return hand(items);
            });
            return hand(f);
        });
        return hand(ns);
    });
    object
        ->get("CreateItem",
              [&calendar](const Arguments& a) {
                  return hand(appointment(calendar.createItem(a.at(0).number())));
              })
        .get("Quit", [&calendar](const Arguments&) {
            calendar.quit();
            return Variant();
        });
    return object;
}

Object* projectApplication(ProjectApplication& host, CommandBars* bars)
{
    auto* object = new Object;
    object->get("ActiveProject", [&host](const Arguments&) { return hand(project(host.activeProject())); })
        .get("ActiveSelection",
             [&host](const Arguments&) {
                 auto* selection = new Object;
                 selection->get("Tasks", [&host](const Arguments&) {
                     return hand(
                         taskList(host.activeProject(), [&host] { return host.activeSelectionTasks(); }));
                 });
                 return hand(selection);
             })
        .put("ScreenUpdating", [&host](const Arguments& a) { host.setHostSwitch(a.back().flag()); })
        .get("FileSave",
             [&host](const Arguments&) {
                 host.fileSave();
                 return Variant();
             })
        .get("DateDifference", [&host](const Arguments& a) {
            return Variant(
                int(host.dateDifference(dateArgument(a, 0), dateArgument(a, 1), a.at(2).text()).count()));
        });
    if (bars)
        object->get("CommandBars", [bars](const Arguments&) { return hand(commandBars(*bars)); });
    return object;
}

// Command bars ----------------------------------------------------------------------------------------

namespace {

Object* bar(BarPtr bar);

Variant controlOrNothing(ControlPtr found)
{
    return found ? hand(control(std::move(found))) : nothing();
}

// The control's click events: Advise attaches the sink to the control's clicks, so Execute calls
// its Click (DISPID 1) with the control and CancelDefault by reference.
class ClickPoint final : public IConnectionPoint {
public:
    explicit ClickPoint(ControlPtr control) : control_(std::move(control)) { ++world().liveObjects; }
    ClickPoint(const ClickPoint&) = delete;
    ClickPoint& operator=(const ClickPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --references_;
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override
    {
        *iid = kCommandBarButtonEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override
    {
        DispatchPtr events;
        if (FAILED(sink->QueryInterface(kCommandBarButtonEvents, reinterpret_cast<void**>(events.put()))))
            return CONNECT_E_CANNOTCONNECT;
        ControlPtr control = control_;
        *cookie = ++lastCookie_;
        subscriptions_[*cookie] =
            control_->subscribeClick([events, control](CommandBarControl&, bool& cancel) {
                Variant button = hand(fake::control(control));
                VARIANT_BOOL cancelDefault = cancel ? VARIANT_TRUE : VARIANT_FALSE;
                VARIANT arguments[2];
                arguments[0].vt = VT_BOOL | VT_BYREF;
                arguments[0].pboolVal = &cancelDefault;
                arguments[1] = button.raw();
                DISPPARAMS parameters{arguments, nullptr, 2, 0};
                events->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
                cancel = cancelDefault != VARIANT_FALSE;
            });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override
    {
        return subscriptions_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    ~ClickPoint() { --world().liveObjects; }
    ControlPtr control_;
    long references_ = 1;
    DWORD lastCookie_ = 0;
    std::map<DWORD, ClickSubscription> subscriptions_;
};

class ControlObject : public Object, public IConnectionPointContainer {
public:
    explicit ControlObject(ControlPtr control) : control_(std::move(control)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Object::QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Object::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Object::Release(); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        if (!IsEqualIID(iid, kCommandBarButtonEvents)) {
            *point = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *point = new ClickPoint(control_);
        return S_OK;
    }

protected:
    void* extraInterface(REFIID iid) override
    {
        return IsEqualIID(iid, IID_IConnectionPointContainer) ? static_cast<IConnectionPointContainer*>(this)
                                                              : nullptr;
    }

private:
    ControlPtr control_;
};

Object* controlList(BarPtr owner)
{
    auto* list = new Object;
    list->get("Count", [owner](const Arguments&) { return Variant(int(owner->controls().size())); })
        .get("Item",
             [owner](const Arguments& a) {
                 const auto all = owner->controls();
                 const int index = a.at(0).number();
                 if (index < 1 || std::size_t(index) > all.size())
                     throw HostError("Index au\u00DFerhalb des g\u00FCltigen Bereichs");
                 return hand(control(all[std::size_t(index - 1)]));
             })
        .get("Add", [owner](const Arguments& a) {
            // Type, Id, Parameter, Before, Temporary
            return hand(control(owner->addControl(a.at(0).number(), given(a, 2) ? a[2].text() : std::string(),
                                                  given(a, 3) ? a[3].number() : 0)));
        });
    return list;
}

Object* bar(BarPtr bar)
{
    auto* object = new Object;
    object->get("Name", [bar](const Arguments&) { return Variant(bar->name()); })
        .get("NameLocal", [bar](const Arguments&) { return Variant(bar->nameLocal()); })
        .get("Type", [bar](const Arguments&) { return Variant(bar->type()); })
        .get("Position", [bar](const Arguments&) { return Variant(bar->position()); })
        .get("Visible", [bar](const Arguments&) { return Variant(bar->visible()); })
        .put("Visible", [bar](const Arguments& a) { bar->setVisible(a.back().flag()); })
        .get("BuiltIn", [bar](const Arguments&) { return Variant(bar->builtIn()); })
        .get("Controls", [bar](const Arguments&) { return hand(controlList(bar)); })
        .get("FindControl",
             [bar](const Arguments& a) { return controlOrNothing(bar->findControl(a.at(2).text())); })
        .get("Delete", [bar](const Arguments&) {
            bar->remove();
            return Variant();
        });
    return object;
}

} // namespace

Object* control(ControlPtr control)
{
    auto* object = new ControlObject(control);
    const auto text = [&](const char* name, std::string (CommandBarControl::*read)() const,
                          void (CommandBarControl::*write)(const std::string&)) {
        object->get(name, [control, read](const Arguments&) { return Variant((*control.*read)()); });
        object->put(name, [control, write](const Arguments& a) { (*control.*write)(a.back().text()); });
    };
    const auto number = [&](const char* name, int (CommandBarControl::*read)() const,
                            void (CommandBarControl::*write)(int)) {
        object->get(name, [control, read](const Arguments&) { return Variant((*control.*read)()); });
        if (write)
            object->put(name, [control, write](const Arguments& a) { (*control.*write)(a.back().number()); });
    };
    text("Caption", &CommandBarControl::caption, &CommandBarControl::setCaption);
    text("Tag", &CommandBarControl::tag, &CommandBarControl::setTag);
    text("Parameter", &CommandBarControl::parameter, &CommandBarControl::setParameter);
    text("OnAction", &CommandBarControl::onAction, &CommandBarControl::setOnAction);
    number("Type", &CommandBarControl::type, nullptr);
    number("Id", &CommandBarControl::id, nullptr);
    number("FaceId", &CommandBarControl::faceId, &CommandBarControl::setFaceId);
    number("Style", &CommandBarControl::style, &CommandBarControl::setStyle);
    object->get("BeginGroup", [control](const Arguments&) { return Variant(control->beginGroup()); })
        .put("BeginGroup", [control](const Arguments& a) { control->setBeginGroup(a.back().flag()); })
        .get("Parent", [control](const Arguments&) { return hand(bar(BarPtr(control, &control->parent()))); })
        .get("Delete",
             [control](const Arguments&) {
                 control->remove();
                 return Variant();
             })
        .get("Execute", [control](const Arguments&) {
            control->execute();
            return Variant();
        });
    return object;
}

Object* commandBars(CommandBars& bars)
{
    auto* object = new Object;
    object->get("Count", [&bars](const Arguments&) { return Variant(int(bars.bars().size())); })
        .get("Item",
             [&bars](const Arguments& a) {
                 if (a.at(0).type() == VT_BSTR)
                     return hand(bar(bars.item(a[0].text())));
                 const auto all = bars.bars();
                 const int index = a.at(0).number();
                 if (index < 1 || std::size_t(index) > all.size())
                     throw HostError("Index au\u00DFerhalb des g\u00FCltigen Bereichs");
                 return hand(bar(all[std::size_t(index - 1)]));
             })
        .get("Add",
             [&bars](const Arguments& a) { return hand(bar(bars.add(a.at(0).text(), a.at(1).number()))); })
        .get("FindControl",
             [&bars](const Arguments& a) { return controlOrNothing(bars.findControl(a.at(2).text())); });
    return object;
}

} // namespace zelvant::fake
