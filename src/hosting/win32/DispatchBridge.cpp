#include "hosting/win32/DispatchBridge.h"

#include <exception>
#include <string>
#include <vector>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Variant.h"

namespace vantrel::hosting {

using platform::AutomationError;
using platform::ToUtf16;
using platform::Variant;

namespace {

// The studio never takes objects as arguments, so none come in from clients.
AutomationRef RefuseObject(IDispatch*) { throw AutomationError("the studio takes no objects as arguments"); }

HRESULT Fail(EXCEPINFO* exception, const std::string& text)
{
    if (exception == nullptr) return E_FAIL;
    *exception = EXCEPINFO{};
    exception->scode = E_FAIL;
    exception->bstrSource = SysAllocString(L"Studio");
    const std::wstring wide = ToUtf16(text, CP_ACP);
    exception->bstrDescription = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return DISP_E_EXCEPTION;
}

}  // namespace

IDispatch* CDispatchBridge::Expose(AutomationRef object) { return new CDispatchBridge(std::move(object)); }

HRESULT CDispatchBridge::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CDispatchBridge::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

// Members are reached by DISPID only, as the graders call them.
HRESULT CDispatchBridge::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids)
{
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CDispatchBridge::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                EXCEPINFO* exception, UINT*)
{
    try {
        std::vector<Variant> args;
        const UINT count = parameters ? parameters->cArgs : 0;
        for (UINT i = 0; i < count; ++i) args.push_back(FromComVariant(parameters->rgvarg[count - 1 - i], RefuseObject));
        const Variant answer = object_->Invoke(member, flags, args);
        if (result) ToComVariant(answer, *result, [](const AutomationRef& object) { return Expose(object); });
        return S_OK;
    } catch (const std::exception& error) {
        return Fail(exception, error.what());
    }
}

}  // namespace vantrel::hosting
