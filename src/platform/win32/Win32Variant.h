#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

#include "platform/Platform.h"

namespace vantrel::platform {

// Objects cross the COM boundary through these: a client wraps each interface it receives
// (taking a reference of its own), a server exposes its own objects (handing out a reference).
using WrapDispatch = std::function<AutomationRef(IDispatch*)>;
using ExposeDispatch = std::function<IDispatch*(const AutomationRef&)>;

// A variant as COM carries it. Text goes as a BSTR converted from the ANSI code page; out must
// be initialised, and the caller clears it. Throws AutomationError for an object that cannot
// be exposed.
void ToComVariant(const Variant& in, VARIANT& out, const ExposeDispatch& expose);
// The COM type that carries a variant of this type.
VARTYPE ComTypeOf(Variant::Type type);
// A COM variant as the library sees it; throws AutomationError for a type it does not use.
Variant FromComVariant(const VARIANT& in, const WrapDispatch& wrap);

}  // namespace vantrel::platform
