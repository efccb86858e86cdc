#pragma once

// The COM object the host creates from "Zelvant.Connect": it answers IDTExtensibility2 both
// through its vtable and through IDispatch::Invoke, and hands each event to Connect over the
// COM adapters of the host, the calendar and the registry.

#include "windows/com/Extensibility2.h"

#include <atomic>

namespace zelvant {

// Live objects and server locks of the library; DllCanUnloadNow answers from them.
extern std::atomic<long> gLiveObjects;

// A new add-in object with one reference held by the caller.
IDTExtensibility2* createAddinObject();

} // namespace zelvant
