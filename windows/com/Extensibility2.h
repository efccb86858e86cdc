#pragma once

// The COM interfaces of an Office add-in as raw vtables (no type library needed): the host's
// IDTExtensibility2, and the add-in's own interface through which another program may stand in
// for the user.

#include <oaidl.h>
#include <objbase.h>

namespace zelvant {

// IDTExtensibility2: after IDispatch's seven slots the five events, DISPIDs 1 to 5 in this order.
inline constexpr IID kExtensibility2Iid{
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, int connectMode,
                                                   IDispatch* addInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(int removeMode, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

// The add-in's class {6D1F2C84-3B7A-4E59-9C0D-52A8E7F41B36}, registered as "Zelvant.Connect".
inline constexpr CLSID kConnectClassId{
    0x6D1F2C84, 0x3B7A, 0x4E59, {0x9C, 0x0D, 0x52, 0xA8, 0xE7, 0xF4, 0x1B, 0x36}};

// The add-in's own interface {3F0C6A52-8D41-4B7E-A2C9-71E5D08B9F13}: UseUserInterface hands it
// an object that answers in the user's place. From then on message boxes become calls of its
// "Warning", "Information" and "AskYesNo" (text, title; AskYesNo answers a Boolean), the quick
// synchronisation runs without its window and reports to "Progress" (percent, text), and the
// wizard's opening is reported to "Wizard" (no arguments). Nothing modal ever shows, which is
// what unattended runs and tests need. Nothing (a null pointer) restores the screen.
inline constexpr IID kUserInterfaceIid{
    0x3F0C6A52, 0x8D41, 0x4B7E, {0xA2, 0xC9, 0x71, 0xE5, 0xD0, 0x8B, 0x9F, 0x13}};

struct IZelvantUserInterface : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE UseUserInterface(IDispatch* answers) = 0;
};

} // namespace zelvant
