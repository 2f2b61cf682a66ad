#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

#include "platform/Platform.h"
#include "hosting/win32/ComObject.h"

namespace vantrel::hosting {

using platform::AutomationRef;

// Makes the studio's application object for COM clients: registered with
// CoRegisterClassObject, it is what CoCreateInstance reaches for the studio's class.
class CAutomationClassFactory final : public CComObject<IClassFactory, IID_IClassFactory> {
public:
    using MakeApplication = std::function<AutomationRef()>;
    explicit CAutomationClassFactory(MakeApplication make) : make_(std::move(make)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    MakeApplication make_;
};

// The studio's class offered to COM for as long as this lives, to every client.
class CClassObjectRegistration {
public:
    CClassObjectRegistration(const CLSID& classId, CAutomationClassFactory::MakeApplication make);
    CClassObjectRegistration(const CClassObjectRegistration&) = delete;
    CClassObjectRegistration& operator=(const CClassObjectRegistration&) = delete;
    ~CClassObjectRegistration();

    bool IsRegistered() const { return cookie_ != 0; }

private:
    DWORD cookie_ = 0;
};

}  // namespace vantrel::hosting
