#include "platform/win32/Win32Automation.h"

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <vector>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Variant.h"

namespace vantrel::platform {

namespace {

// One IDispatch reference, released when the last holder lets go.
class CDispatchObject : public IAutomationObject {
public:
    explicit CDispatchObject(IDispatch* dispatch) : dispatch_(dispatch) {}  // takes over one reference
    CDispatchObject(const CDispatchObject&) = delete;
    CDispatchObject& operator=(const CDispatchObject&) = delete;
    ~CDispatchObject() override { dispatch_->Release(); }

    IDispatch* Dispatch() const { return dispatch_; }
    Variant Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args) override;
    Variant Call(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args,
                 Variant::Type result) override;

private:
    // One IDispatch::Invoke: the answer stays in `answer` when it is given, else none is asked for.
    void InvokeRaw(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args, VARIANT* answer);

    IDispatch* dispatch_;
};

AutomationRef Wrap(IDispatch* dispatch)
{
    dispatch->AddRef();
    return std::make_shared<CDispatchObject>(dispatch);
}

IDispatch* Expose(const AutomationRef& object)
{
    const auto* ours = dynamic_cast<const CDispatchObject*>(object.get());
    if (ours == nullptr) return nullptr;
    ours->Dispatch()->AddRef();
    return ours->Dispatch();
}

// Variants cleared however the call ends.
struct CVariants {
    std::vector<VARIANT> items;
    explicit CVariants(std::size_t count) : items(count)
    {
        for (VARIANT& item : items) VariantInit(&item);
    }
    ~CVariants()
    {
        for (VARIANT& item : items) VariantClear(&item);
    }
};

// What the server said about a failed call: its description when it gave one.
std::string FailureText(HRESULT result, EXCEPINFO& exception)
{
    if (result == DISP_E_EXCEPTION && exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    std::string text;
    if (result == DISP_E_EXCEPTION && exception.bstrDescription)
        text = FromUtf16(std::wstring(exception.bstrDescription, SysStringLen(exception.bstrDescription)), CP_ACP);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (text.empty()) {
        const HRESULT code = result == DISP_E_EXCEPTION && exception.scode ? exception.scode : result;
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        text = std::string("automation call failed with ") + hex;
    }
    return text;
}

void CDispatchObject::InvokeRaw(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args,
                                VARIANT* answer)
{
    // COM takes arguments last first.
    CVariants arguments(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) ToComVariant(args[i], arguments.items[args.size() - 1 - i], Expose);
    DISPID putNamed = DISPID_PROPERTYPUT;
    const bool put = (flags & kDispatchPropertyPut) != 0;
    DISPPARAMS parameters{arguments.items.data(), put ? &putNamed : nullptr, static_cast<UINT>(args.size()),
                          put ? 1u : 0u};
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT status = dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                             put ? nullptr : answer, &exception, &badArgument);
    if (FAILED(status)) throw AutomationError(FailureText(status, exception));
}

Variant CDispatchObject::Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args)
{
    CVariants result(1);
    InvokeRaw(dispid, flags, args, &result.items[0]);
    return FromComVariant(result.items[0], Wrap);
}

// As the framework's driver takes results: a member that gives nothing gets no result slot,
// so whatever a server would write there (a status, an error value) is never looked at; any
// other answer is converted to the type asked for, an IUnknown asked for its IDispatch.
Variant CDispatchObject::Call(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args,
                              Variant::Type result)
{
    if (result == Variant::Type::Empty) {
        InvokeRaw(dispid, flags, args, nullptr);
        return Variant::Empty();
    }
    CVariants answer(1);
    InvokeRaw(dispid, flags, args, &answer.items[0]);
    const HRESULT converted = VariantChangeType(&answer.items[0], &answer.items[0], 0, ComTypeOf(result));
    if (FAILED(converted)) {
        EXCEPINFO none{};
        throw AutomationError(FailureText(converted, none));
    }
    return FromComVariant(answer.items[0], Wrap);
}

}  // namespace

AutomationRef CWin32Automation::CreateObject(const std::string& progId)
{
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(ToUtf16(progId, CP_ACP).c_str(), &classId))) return nullptr;
    IUnknown* unknown = nullptr;
    HRESULT status = CoCreateInstance(classId, nullptr, CLSCTX_ALL | CLSCTX_REMOTE_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&unknown));
    // Some systems refuse the remote context; the framework tries again without it.
    if (status == E_INVALIDARG)
        status = CoCreateInstance(classId, nullptr, CLSCTX_ALL & ~CLSCTX_REMOTE_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&unknown));
    if (FAILED(status) || unknown == nullptr) return nullptr;
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(OleRun(unknown)))
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (dispatch == nullptr) return nullptr;
    return std::make_shared<CDispatchObject>(dispatch);
}

}  // namespace vantrel::platform
