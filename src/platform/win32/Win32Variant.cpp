#include "platform/win32/Win32Variant.h"

#include <string>

#include "platform/win32/Win32CodePage.h"

namespace vantrel::platform {

void ToComVariant(const Variant& in, VARIANT& out, const ExposeDispatch& expose)
{
    switch (in.type) {
    case Variant::Type::Empty: V_VT(&out) = VT_EMPTY; return;
    case Variant::Type::Bool:
        V_VT(&out) = VT_BOOL;
        V_BOOL(&out) = in.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    case Variant::Type::String: {
        const std::wstring wide = ToUtf16(in.text, CP_ACP);
        BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (text == nullptr) throw AutomationError("out of memory for an automation string");
        V_VT(&out) = VT_BSTR;
        V_BSTR(&out) = text;
        return;
    }
    case Variant::Type::Dispatch: {
        IDispatch* object = in.object ? expose(in.object) : nullptr;
        if (in.object && object == nullptr) throw AutomationError("an object of another kind cannot be passed");
        V_VT(&out) = VT_DISPATCH;
        V_DISPATCH(&out) = object;
        return;
    }
    }
}

VARTYPE ComTypeOf(Variant::Type type)
{
    switch (type) {
    case Variant::Type::Bool: return VT_BOOL;
    case Variant::Type::String: return VT_BSTR;
    case Variant::Type::Dispatch: return VT_DISPATCH;
    case Variant::Type::Empty: break;
    }
    return VT_EMPTY;
}

Variant FromComVariant(const VARIANT& in, const WrapDispatch& wrap)
{
    switch (V_VT(&in)) {
    case VT_EMPTY: return Variant::Empty();
    case VT_BOOL: return Variant::Bool(V_BOOL(&in) != VARIANT_FALSE);
    case VT_BSTR: {
        const BSTR text = V_BSTR(&in);
        const UINT length = text ? SysStringLen(text) : 0;
        return Variant::String(FromUtf16(std::wstring(text ? text : L"", length), CP_ACP));
    }
    case VT_DISPATCH:
        return V_DISPATCH(&in) ? Variant::Dispatch(wrap(V_DISPATCH(&in))) : Variant::Dispatch(nullptr);
    default: throw AutomationError("an automation value of type " + std::to_string(V_VT(&in)) + " is not used here");
    }
}

}  // namespace vantrel::platform
