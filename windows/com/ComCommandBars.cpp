#include "windows/com/ComCommandBars.h"

#include <ocidl.h>

#include <atomic>

namespace zelvant {

namespace {

ControlPtr controlOrNull(const Variant& answer)
{
    DispatchPtr control = answer.object();
    return control ? std::make_shared<ComCommandBarControl>(Dispatch(std::move(control), "CommandBarControl"))
                   : nullptr;
}

// Receives the button's Click (DISPID 1: the button, then CancelDefault by reference) and
// hands it to the add-in's handler. Nothing the handler throws may reach the host.
class ClickSink : public IDispatch {
public:
    explicit ClickSink(ClickHandler handler) : handler_(std::move(handler)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kCommandBarButtonEvents)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                     EXCEPINFO*, UINT*) override
    {
        if (id != 1)
            return S_OK; // the interface's other events are not ours
        if (!parameters || parameters->cArgs != 2)
            return DISP_E_BADPARAMCOUNT;
        // Last to first: [1] is the button, [0] CancelDefault.
        const VARIANT& button = parameters->rgvarg[1];
        VARIANT& cancel = parameters->rgvarg[0];
        try {
            const DispatchPtr pressed =
                button.vt == VT_DISPATCH ? DispatchPtr::share(button.pdispVal) : DispatchPtr();
            ComCommandBarControl control(Dispatch(pressed, "Ctrl"));
            bool cancelDefault = cancel.vt == (VT_BOOL | VT_BYREF) && *cancel.pboolVal != VARIANT_FALSE;
            handler_(control, cancelDefault);
            if (cancel.vt == (VT_BOOL | VT_BYREF))
                *cancel.pboolVal = cancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
        } catch (const std::exception&) {
            // The add-in reports its own failures; the host's click goes on regardless.
        }
        return S_OK;
    }

private:
    virtual ~ClickSink() = default;
    std::atomic<ULONG> references_{1};
    ClickHandler handler_;
};

} // namespace

// Control --------------------------------------------------------------------------------------------

int ComCommandBarControl::type() const
{
    return control_.get("Type").number();
}

int ComCommandBarControl::id() const
{
    return control_.get("Id").number();
}

std::string ComCommandBarControl::caption() const
{
    return control_.get("Caption").text();
}

void ComCommandBarControl::setCaption(const std::string& caption)
{
    control_.put("Caption", caption);
}

std::string ComCommandBarControl::tag() const
{
    return control_.get("Tag").text();
}

void ComCommandBarControl::setTag(const std::string& tag)
{
    control_.put("Tag", tag);
}

std::string ComCommandBarControl::parameter() const
{
    return control_.get("Parameter").text();
}

void ComCommandBarControl::setParameter(const std::string& parameter)
{
    control_.put("Parameter", parameter);
}

std::string ComCommandBarControl::onAction() const
{
    return control_.get("OnAction").text();
}

void ComCommandBarControl::setOnAction(const std::string& action)
{
    control_.put("OnAction", action);
}

int ComCommandBarControl::faceId() const
{
    return control_.get("FaceId").number();
}

void ComCommandBarControl::setFaceId(int faceId)
{
    control_.put("FaceId", faceId);
}

int ComCommandBarControl::style() const
{
    return control_.get("Style").number();
}

void ComCommandBarControl::setStyle(int style)
{
    control_.put("Style", style);
}

bool ComCommandBarControl::beginGroup() const
{
    return control_.get("BeginGroup").flag();
}

void ComCommandBarControl::setBeginGroup(bool beginGroup)
{
    control_.put("BeginGroup", beginGroup);
}

CommandBar& ComCommandBarControl::parent()
{
    if (!parent_)
        parent_ = std::make_shared<ComCommandBar>(control_.object("Parent"));
    return *parent_;
}

void ComCommandBarControl::remove()
{
    control_.call("Delete");
}

void ComCommandBarControl::execute()
{
    control_.call("Execute");
}

ClickSubscription ComCommandBarControl::subscribeClick(ClickHandler handler)
{
    ComPtr<IConnectionPointContainer> container;
    check(control_.get()->QueryInterface(IID_IConnectionPointContainer,
                                         reinterpret_cast<void**>(container.put())),
          "IConnectionPointContainer");
    ComPtr<IConnectionPoint> point;
    check(container->FindConnectionPoint(kCommandBarButtonEvents, point.put()), "FindConnectionPoint");
    ComPtr<IDispatch> sink = ComPtr<IDispatch>::adopt(new ClickSink(std::move(handler)));
    DWORD cookie = 0;
    check(point->Advise(sink.get(), &cookie), "Advise");
    return ClickSubscription([point, cookie] {
        // A control the host has already deleted has nothing left to detach.
        point->Unadvise(cookie);
    });
}

// Bar ------------------------------------------------------------------------------------------------

std::string ComCommandBar::name() const
{
    return bar_.get("Name").text();
}

std::string ComCommandBar::nameLocal() const
{
    return bar_.get("NameLocal").text();
}

int ComCommandBar::type() const
{
    return bar_.get("Type").number();
}

int ComCommandBar::position() const
{
    return bar_.get("Position").number();
}

bool ComCommandBar::visible() const
{
    return bar_.get("Visible").flag();
}

void ComCommandBar::setVisible(bool visible)
{
    bar_.put("Visible", visible);
}

bool ComCommandBar::builtIn() const
{
    return bar_.get("BuiltIn").flag();
}

std::vector<ControlPtr> ComCommandBar::controls()
{
    const Dispatch controls = bar_.object("Controls");
    const int count = controls.get("Count").number();
    std::vector<ControlPtr> result;
    for (int index = 1; index <= count; ++index)
        result.push_back(std::make_shared<ComCommandBarControl>(controls.object("Item", {index})));
    return result;
}

ControlPtr ComCommandBar::addControl(int type, const std::string& parameter, int before)
{
    // Type, Id, Parameter, Before, Temporary: the add-in's controls stay across restarts.
    const Variant position = before > 0 ? Variant(before) : Variant::missing();
    return std::make_shared<ComCommandBarControl>(
        bar_.object("Controls").object("Add", {type, Variant::missing(), parameter, position, false}));
}

ControlPtr ComCommandBar::findControl(const std::string& tag)
{
    return controlOrNull(bar_.call("FindControl", {Variant::missing(), Variant::missing(), tag}));
}

void ComCommandBar::remove()
{
    bar_.call("Delete");
}

// Bars -----------------------------------------------------------------------------------------------

std::vector<BarPtr> ComCommandBars::bars()
{
    const int count = bars_.get("Count").number();
    std::vector<BarPtr> result;
    for (int index = 1; index <= count; ++index)
        result.push_back(std::make_shared<ComCommandBar>(bars_.object("Item", {index})));
    return result;
}

BarPtr ComCommandBars::find(const std::string& name)
{
    for (BarPtr& bar : bars())
        if (bar->name() == name)
            return bar;
    return nullptr;
}

BarPtr ComCommandBars::item(const std::string& name)
{
    return std::make_shared<ComCommandBar>(bars_.object("Item", {name}));
}

BarPtr ComCommandBars::add(const std::string& name, int position)
{
    // Name, Position, MenuBar, Temporary.
    return std::make_shared<ComCommandBar>(bars_.object("Add", {name, position, false, false}));
}

ControlPtr ComCommandBars::findControl(const std::string& tag)
{
    return controlOrNull(bars_.call("FindControl", {Variant::missing(), Variant::missing(), tag}));
}

} // namespace zelvant
