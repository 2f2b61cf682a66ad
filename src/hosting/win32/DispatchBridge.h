#pragma once

#include <windows.h>
#include <oaidl.h>

#include "platform/Platform.h"
#include "hosting/win32/ComObject.h"

namespace vantrel::hosting {

using platform::AutomationRef;

// One of the studio's automation objects as a COM object, driven by DISPID through IDispatch
// by any client, in this process or another. Only the members the object declares answer;
// the studio's errors reach the client as exceptions with their text.
class CDispatchBridge final : public CComObject<IDispatch, IID_IDispatch> {
public:
    // A new COM object over the studio's object, with one reference for the caller.
    static IDispatch* Expose(AutomationRef object);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

private:
    // Each object handed out holds the server process, as COM's rules for local servers ask.
    explicit CDispatchBridge(AutomationRef object);
    ~CDispatchBridge() override;

    AutomationRef object_;
};

}  // namespace vantrel::hosting
