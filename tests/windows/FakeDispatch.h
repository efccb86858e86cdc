#pragma once

// Scripted COM objects for the Windows tests: an IDispatch that answers by member name, counts
// its references, records every call and fails any call with a chosen HRESULT and EXCEPINFO.
// The plan, calendar and command-bar fakes serve the in-memory hosts through it, so the COM
// adapters are checked against the same behaviour as every other host.

#include "hostapi/CalendarApi.h"
#include "hostapi/CommandBars.h"
#include "hostapi/ProjectApi.h"
#include "windows/com/Com.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zelvant::fake {

// The arguments of a call in the order the caller wrote them; a property put's value is last.
using Arguments = std::vector<Variant>;

// A failure the next call of a member answers with.
struct Failure {
    HRESULT result = E_FAIL;
    std::string description; // for DISP_E_EXCEPTION: EXCEPINFO's description
    bool deferred = false;   // the description comes only through pfnDeferredFillIn
    HRESULT scode = 0;       // EXCEPINFO's scode
    UINT argumentError = 0;  // puArgErr, an index into the reversed arguments
};

// What all fakes share: the calls made, the failures planned, the objects alive.
struct World {
    std::vector<std::string> calls; // "Member", "Member=" for a put
    std::map<std::string, Failure> failures;
    long liveObjects = 0;
    bool propertyPutWithoutNamedArgument = false;
};
World& world();

class Object : public IDispatch {
public:
    using Getter = std::function<Variant(const Arguments&)>;
    using Setter = std::function<void(const Arguments&)>;

    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // A member that answers gets and method calls.
    Object& get(const std::string& name, Getter getter);
    // A member that takes a property put.
    Object& put(const std::string& name, Setter setter);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* info, UINT* argumentError) override;

protected:
    virtual ~Object();
    virtual void* extraInterface(REFIID) { return nullptr; }

private:
    struct Member {
        std::string name;
        Getter getter;
        Setter setter;
    };
    Member& member(const std::string& name);
    std::vector<Member> members_; // DISPID = index + 1
    long references_ = 1;
};

// A new fake with one reference, as a Variant holding it (the Variant owns that reference).
Variant hand(Object* object);

// The fakes over the in-memory hosts. Each returns a new object with one reference.
Object* projectApplication(ProjectApplication& host, CommandBars* bars);
Object* calendarApplication(CalendarApplication& calendar);
Object* commandBars(CommandBars& bars);
Object* control(ControlPtr control);

} // namespace zelvant::fake
