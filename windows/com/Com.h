#pragma once

// The one small layer between the host interfaces and COM: owning wrappers for BSTR, VARIANT
// and interface pointers, and late-bound calls on IDispatch by member name. Every failure of a
// call becomes a HostError that names the member and the HRESULT, so the run report can say
// which call of the plan or the calendar failed and why.

#include "hostapi/DateTime.h"
#include "hostapi/HostError.h"

#include <oaidl.h>
#include <objbase.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvant {

// An owned reference to a COM object; releases it when destroyed.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `object`.
    static ComPtr share(Interface* object)
    {
        if (object)
            object->AddRef();
        return ComPtr(object);
    }
    // Takes over a reference the caller already holds (an out parameter's, say).
    static ComPtr adopt(Interface* object) { return ComPtr(object); }

    ComPtr(const ComPtr& other) : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr()
    {
        if (object_)
            object_->Release();
    }

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For an out parameter: releases what is held and hands out the slot.
    Interface** put()
    {
        *this = nullptr;
        return &object_;
    }
    // Gives up the reference without releasing it.
    Interface* detach() { return std::exchange(object_, nullptr); }

private:
    explicit ComPtr(Interface* object) : object_(object) {}
    Interface* object_ = nullptr;
};

using DispatchPtr = ComPtr<IDispatch>;

// An owned BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr();
    BSTR get() const { return text_; }
    // A BSTR's text as UTF-8; a null BSTR is the empty text.
    static std::string text(BSTR text);

private:
    BSTR text_ = nullptr;
};

// An owned VARIANT: built from the values the host interfaces pass, read back with the
// conversions the hosts' answers need.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    Variant(int number);
    Variant(bool flag);
    Variant(const char* text) : Variant(std::string_view(text)) {}
    Variant(std::string_view text);
    Variant(const std::string& text) : Variant(std::string_view(text)) {}
    // A date of the host (VT_DATE, local wall-clock time).
    static Variant date(DateTime moment);
    // A new reference to `object`; VT_DISPATCH.
    static Variant object(IDispatch* object);
    // An argument left out (VT_ERROR with DISP_E_PARAMNOTFOUND), for optional parameters.
    static Variant missing();
    // Takes over `raw`; `raw` is left empty.
    static Variant adopt(VARIANT& raw);

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant other) noexcept;
    ~Variant();

    VARTYPE type() const { return value_.vt; }
    const VARIANT& raw() const { return value_; }
    // For an out parameter: clears what is held and hands out the slot.
    VARIANT* put();
    // Hands the value over to the caller, who must clear it; this Variant is left empty.
    VARIANT detach();
    bool empty() const { return value_.vt == VT_EMPTY || value_.vt == VT_NULL; }

    // The value as text (numbers and booleans converted as VariantChangeType does).
    std::string text() const;
    std::int32_t number() const;
    bool flag() const;
    // A date value; nothing for a text such as "NA", the host's "no date".
    std::optional<DateTime> date() const;
    // The object held; nullptr for Nothing (an empty or null object).
    DispatchPtr object() const;

private:
    VARIANT value_;
};

// An owned one-dimensional SAFEARRAY of VARIANTs, the form in which hosts hand an add-in its
// custom arguments.
class SafeArray {
public:
    SafeArray() = default;
    // A new array of variants, each holding one of `texts`.
    static SafeArray ofTexts(const std::vector<std::string>& texts);
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
    ~SafeArray();

    SAFEARRAY* get() const { return array_; }
    // The elements of `array` as text, in index order; nothing for a null array. Elements that
    // are not text are converted as VariantChangeType does; HostError when one cannot be.
    static std::vector<std::string> texts(SAFEARRAY* array);

private:
    SAFEARRAY* array_ = nullptr;
};

// The host's date value (days since 30 December 1899, the fraction the time of day) and back.
double oleDate(DateTime moment);
DateTime fromOleDate(double date);

// A HostError's text for a failed call: "<member>: <description> (HRESULT 0x........)".
std::string callFailure(std::string_view member, HRESULT result, std::string_view description = {});

// True when both pointers reach the same COM object (the identity of their IUnknown).
bool sameObject(IUnknown* first, IUnknown* second);

// Throws HostError naming `member` when `result` is a failure.
void check(HRESULT result, std::string_view member);

// An object reached through IDispatch, called by member name. Names are resolved once per
// object and member.
class Dispatch {
public:
    Dispatch() = default;
    // Throws HostError naming `what` when `object` is Nothing.
    Dispatch(DispatchPtr object, std::string_view what);

    IDispatch* get() const { return object_.get(); }
    const DispatchPtr& pointer() const { return object_; }

    // A property's value.
    Variant get(std::string_view member, std::initializer_list<Variant> arguments = {}) const;
    // Sets a property (DISPATCH_PROPERTYPUT with the named argument DISPID_PROPERTYPUT).
    void put(std::string_view member, const Variant& value) const;
    // Calls a method; the result is VT_EMPTY for a method without one.
    Variant call(std::string_view member, std::initializer_list<Variant> arguments = {}) const;
    // A property or method that answers with an object; throws HostError for Nothing.
    Dispatch object(std::string_view member, std::initializer_list<Variant> arguments = {}) const;

private:
    Variant invoke(std::string_view member, WORD flags, std::initializer_list<Variant> arguments,
                   bool propertyPut) const;
    DISPID dispId(std::string_view member) const;

    DispatchPtr object_;
};

// Initialises COM on this thread for its lifetime (apartment threaded, as add-ins run).
class ComApartment {
public:
    ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();

private:
    bool initialised_ = false;
};

} // namespace zelvant
