#include "windows/com/Com.h"

#include "windows/com/Wide.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace zelvant {

using namespace std::chrono;

// BSTR -------------------------------------------------------------------------------------------

Bstr::Bstr(std::string_view utf8)
{
    const std::wstring text = wide(utf8);
    text_ = SysAllocStringLen(text.data(), UINT(text.size()));
    if (!text_)
        throw HostError(callFailure("SysAllocStringLen", E_OUTOFMEMORY));
}

Bstr::~Bstr()
{
    SysFreeString(text_);
}

std::string Bstr::text(BSTR text)
{
    return text ? narrow(std::wstring_view(text, SysStringLen(text))) : std::string();
}

// VARIANT ----------------------------------------------------------------------------------------

Variant::Variant(int number) : Variant()
{
    value_.vt = VT_I4;
    value_.lVal = number;
}

Variant::Variant(bool flag) : Variant()
{
    value_.vt = VT_BOOL;
    value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(std::string_view text) : Variant()
{
    Bstr owned(text);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocStringLen(owned.get(), SysStringLen(owned.get()));
}

Variant Variant::date(DateTime moment)
{
    Variant result;
    result.value_.vt = VT_DATE;
    result.value_.date = oleDate(moment);
    return result;
}

Variant Variant::object(IDispatch* object)
{
    Variant result;
    result.value_.vt = VT_DISPATCH;
    result.value_.pdispVal = object;
    if (object)
        object->AddRef();
    return result;
}

Variant Variant::missing()
{
    Variant result;
    result.value_.vt = VT_ERROR;
    result.value_.scode = DISP_E_PARAMNOTFOUND;
    return result;
}

Variant Variant::adopt(VARIANT& raw)
{
    Variant result;
    result.value_ = raw;
    VariantInit(&raw);
    return result;
}

Variant::Variant(const Variant& other) : Variant()
{
    check(VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)), "VariantCopy");
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_)
{
    VariantInit(&other.value_);
}

Variant& Variant::operator=(Variant other) noexcept
{
    std::swap(value_, other.value_);
    return *this;
}

Variant::~Variant()
{
    VariantClear(&value_);
}

VARIANT* Variant::put()
{
    VariantClear(&value_);
    return &value_;
}

VARIANT Variant::detach()
{
    VARIANT taken = value_;
    VariantInit(&value_);
    return taken;
}

// SAFEARRAY --------------------------------------------------------------------------------------

SafeArray SafeArray::ofTexts(const std::vector<std::string>& texts)
{
    SafeArray result;
    result.array_ = SafeArrayCreateVector(VT_VARIANT, 0, ULONG(texts.size()));
    if (!result.array_)
        throw HostError(callFailure("SafeArrayCreateVector", E_OUTOFMEMORY));
    for (LONG index = 0; index < LONG(texts.size()); ++index) {
        Variant element(texts[std::size_t(index)]);
        // SafeArrayPutElement copies the element, so `element` keeps and frees its own.
        check(SafeArrayPutElement(result.array_, &index, const_cast<VARIANT*>(&element.raw())),
              "SafeArrayPutElement");
    }
    return result;
}

SafeArray::~SafeArray()
{
    if (array_)
        SafeArrayDestroy(array_);
}

std::vector<std::string> SafeArray::texts(SAFEARRAY* array)
{
    std::vector<std::string> result;
    if (!array || SafeArrayGetDim(array) != 1)
        return result;
    VARTYPE type = VT_EMPTY;
    check(SafeArrayGetVartype(array, &type), "SafeArrayGetVartype");
    if (type != VT_VARIANT && type != VT_BSTR)
        throw HostError(callFailure("SafeArrayGetElement", DISP_E_TYPEMISMATCH));
    LONG lower = 0;
    LONG upper = -1;
    check(SafeArrayGetLBound(array, 1, &lower), "SafeArrayGetLBound");
    check(SafeArrayGetUBound(array, 1, &upper), "SafeArrayGetUBound");
    for (LONG index = lower; index <= upper; ++index) {
        // A plain text element goes into the variant's text slot, so both kinds are read and freed alike.
        Variant element;
        VARIANT* slot = element.put();
        if (type == VT_BSTR) {
            check(SafeArrayGetElement(array, &index, &slot->bstrVal), "SafeArrayGetElement");
            slot->vt = VT_BSTR;
        } else {
            check(SafeArrayGetElement(array, &index, slot), "SafeArrayGetElement");
        }
        result.push_back(element.text());
    }
    return result;
}

namespace {

// The value converted to `type` as the host's own conversions do it; HostError when it cannot be.
Variant converted(const VARIANT& value, VARTYPE type, std::string_view what)
{
    Variant result;
    check(VariantChangeTypeEx(result.put(), const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, type), what);
    return result;
}

} // namespace

std::string Variant::text() const
{
    if (empty())
        return {};
    return Bstr::text(converted(value_, VT_BSTR, "Text").raw().bstrVal);
}

std::int32_t Variant::number() const
{
    return converted(value_, VT_I4, "Zahl").raw().lVal;
}

bool Variant::flag() const
{
    return converted(value_, VT_BOOL, "Wahrheitswert").raw().boolVal != VARIANT_FALSE;
}

std::optional<DateTime> Variant::date() const
{
    if (value_.vt == VT_BSTR || empty())
        return std::nullopt; // "NA": the plan has no date here
    return fromOleDate(converted(value_, VT_DATE, "Datum").raw().date);
}

DispatchPtr Variant::object() const
{
    if (value_.vt == VT_DISPATCH)
        return DispatchPtr::share(value_.pdispVal);
    if (value_.vt == (VT_DISPATCH | VT_BYREF) && value_.ppdispVal)
        return DispatchPtr::share(*value_.ppdispVal);
    if (value_.vt == VT_UNKNOWN && value_.punkVal) {
        DispatchPtr object;
        check(value_.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.put())),
              "QueryInterface(IDispatch)");
        return object;
    }
    return nullptr;
}

// Dates ------------------------------------------------------------------------------------------

namespace {

constexpr local_days kOleEpoch{year{1899} / December / 30};
constexpr double kSecondsPerDay = 86400.0;

} // namespace

// Before the epoch the whole days count backwards but the fraction still runs forward from
// midnight (-1.25 is 29 December 1899, 06:00), so day and time are handled apart.
double oleDate(DateTime moment)
{
    const local_days day = floor<days>(moment);
    const double wholeDays = double((day - kOleEpoch).count());
    const double fraction = double((moment - day).count()) / kSecondsPerDay;
    return wholeDays >= 0 ? wholeDays + fraction : wholeDays - fraction;
}

DateTime fromOleDate(double date)
{
    const double wholeDays = std::trunc(date);
    const double fraction = std::fabs(date - wholeDays);
    // The host keeps times as fractions of a day; rounding to the second undoes their binary error.
    const auto secondsOfDay = seconds{std::llround(fraction * kSecondsPerDay)};
    return DateTime{kOleEpoch + days{static_cast<long long>(wholeDays)}} + secondsOfDay;
}

// Calls --------------------------------------------------------------------------------------------

std::string callFailure(std::string_view member, HRESULT result, std::string_view description)
{
    std::array<char, 16> code{};
    std::snprintf(code.data(), code.size(), "0x%08lX", static_cast<unsigned long>(result));
    std::string text(member);
    text += ": ";
    text += description.empty() ? std::string_view("Aufruf fehlgeschlagen") : description;
    text += " (HRESULT ";
    text += code.data();
    text += ")";
    return text;
}

bool sameObject(IUnknown* first, IUnknown* second)
{
    if (!first || !second)
        return first == second;
    ComPtr<IUnknown> one, other;
    return SUCCEEDED(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(one.put()))) &&
           SUCCEEDED(second->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(other.put()))) &&
           one.get() == other.get();
}

void check(HRESULT result, std::string_view member)
{
    if (FAILED(result))
        throw HostError(callFailure(member, result));
}

Dispatch::Dispatch(DispatchPtr object, std::string_view what) : object_(std::move(object))
{
    if (!object_)
        throw HostError(std::string(what) + ": Objekt nicht vorhanden");
}

Variant Dispatch::get(std::string_view member, std::initializer_list<Variant> arguments) const
{
    return invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments, false);
}

void Dispatch::put(std::string_view member, const Variant& value) const
{
    invoke(member, DISPATCH_PROPERTYPUT, {value}, true);
}

Variant Dispatch::call(std::string_view member, std::initializer_list<Variant> arguments) const
{
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments, false);
}

Dispatch Dispatch::object(std::string_view member, std::initializer_list<Variant> arguments) const
{
    return Dispatch(get(member, arguments).object(), member);
}

DISPID Dispatch::dispId(std::string_view member) const
{
    Bstr name(member);
    LPOLESTR names[] = {name.get()};
    DISPID id = DISPID_UNKNOWN;
    check(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), member);
    return id;
}

namespace {

// What the object said about a failure: EXCEPINFO's description, filled in late when the object
// asks for that, and its strings freed.
std::string exceptionText(EXCEPINFO& info, HRESULT& result)
{
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    std::string text = Bstr::text(info.bstrDescription);
    if (info.scode != 0)
        result = info.scode;
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return text;
}

} // namespace

Variant Dispatch::invoke(std::string_view member, WORD flags, std::initializer_list<Variant> arguments,
                         bool propertyPut) const
{
    if (!object_)
        throw HostError(std::string(member) + ": Objekt nicht vorhanden");
    const DISPID id = dispId(member);

    // IDispatch takes the arguments last to first.
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it)
        reversed.push_back(it->raw()); // shallow: `arguments` keeps ownership
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.data(), propertyPut ? &namedPut : nullptr, UINT(reversed.size()),
                          propertyPut ? 1u : 0u};

    Variant result;
    EXCEPINFO info{};
    UINT argumentError = 0;
    HRESULT outcome = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                      propertyPut ? nullptr : result.put(), &info, &argumentError);
    if (SUCCEEDED(outcome))
        return result;

    std::string description;
    if (outcome == DISP_E_EXCEPTION)
        description = exceptionText(info, outcome);
    std::string what(member);
    if ((outcome == DISP_E_TYPEMISMATCH || outcome == DISP_E_PARAMNOTFOUND) &&
        argumentError < reversed.size())
        what += ", Argument " + std::to_string(reversed.size() - argumentError);
    throw HostError(callFailure(what, outcome, description));
}

// Apartment ----------------------------------------------------------------------------------------

ComApartment::ComApartment()
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already initialised on this thread, which still needs its balancing call.
    initialised_ = SUCCEEDED(result);
    if (result != RPC_E_CHANGED_MODE)
        check(result, "CoInitializeEx");
}

ComApartment::~ComApartment()
{
    if (initialised_)
        CoUninitialize();
}

} // namespace zelvant
