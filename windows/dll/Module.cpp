// The library's entry points: the class object for "Zelvant.Connect", unloading, and the
// registration that makes the host load the add-in.

#include "addin/Registration.h"
#include "windows/com/Com.h"
#include "windows/com/Wide.h"
#include "windows/com/WinRegistry.h"
#include "windows/dll/AddinObject.h"

#include <olectl.h>
#include <windows.h>

#include <exception>

using namespace zelvant;

namespace {

HMODULE gModule = nullptr;
std::atomic<long> gServerLocks{0};

constexpr RegistryRoot kHkeyLocalMachine = 0x80000002;

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK; // static object: no counting
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IDTExtensibility2* addin = createAddinObject();
        const HRESULT result = addin->QueryInterface(iid, object);
        addin->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        lock ? ++gServerLocks : --gServerLocks;
        return S_OK;
    }
};

ClassFactory gFactory;

std::string modulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(gModule, path.data(), DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

// The class keys below `root`'s "Software\Classes": the class by its identifier with this
// library as its in-process server, and the programmatic identifier pointing to it.
void registerClass(Registry& registry, RegistryRoot root)
{
    const std::string classes = std::string(kClassesKey) + "\\";
    const std::string classKey = classes + "CLSID\\" + kClassId;
    registry.createKey(root, classKey)->set("", RegValue::sz(kProgId));
    const auto server = registry.createKey(root, classKey + "\\InprocServer32");
    server->set("", RegValue::sz(modulePath()));
    server->set("ThreadingModel", RegValue::sz("Apartment"));
    registry.createKey(root, classKey + "\\ProgID")->set("", RegValue::sz(kProgId));
    registry.createKey(root, classes + kProgId)->set("", RegValue::sz(kProgId));
    registry.createKey(root, classes + kProgId + "\\CLSID")->set("", RegValue::sz(kClassId));
}

void unregisterClass(RegistryRoot root)
{
    const std::string classes = std::string(kClassesKey) + "\\";
    deleteRegistryTree(root, classes + "CLSID\\" + kClassId);
    deleteRegistryTree(root, classes + kProgId);
}

HRESULT registration(bool install, bool machine)
{
    try {
        WinRegistry registry;
        if (install) {
            zelvant::DllRegisterServer(registry); // the add-in's entry in the host's list
            registerClass(registry, kHkeyCurrentUser);
            if (machine)
                registerClass(registry, kHkeyLocalMachine);
        } else {
            unregisterClass(kHkeyCurrentUser);
            if (machine)
                unregisterClass(kHkeyLocalMachine);
            deleteRegistryTree(kHkeyCurrentUser, std::string(kAddinListKey) + "\\" + kProgId);
        }
        return S_OK;
    } catch (const std::exception&) {
        return install ? SELFREG_E_CLASS : E_FAIL;
    }
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(classId, kConnectClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return gLiveObjects == 0 && gServerLocks == 0 ? S_OK : S_FALSE;
}

// Registers for the current user: the class, and the add-in in the host's list (load at start-up).
STDAPI DllRegisterServer()
{
    return registration(true, false);
}

STDAPI DllUnregisterServer()
{
    return registration(false, false);
}

// "regsvr32 /i:machine" also registers the class for the whole machine, where every COM
// runtime looks (some never merge the user's classes into the machine's).
STDAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    const bool machine = commandLine && _wcsicmp(commandLine, L"machine") == 0;
    return registration(install != FALSE, machine);
}

} // extern "C"
