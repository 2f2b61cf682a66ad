#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

#include "platform/Platform.h"
#include "platform/win32/studio/ComObject.h"

namespace vantrel::platform {

// Makes the studio's application object for COM clients: registered with
// CoRegisterClassObject, it is what CoCreateInstance reaches for the studio's class.
class CStudioClassFactory final : public CComObject<IClassFactory, IID_IClassFactory> {
public:
    using MakeApplication = std::function<AutomationRef()>;
    explicit CStudioClassFactory(MakeApplication make) : make_(std::move(make)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    MakeApplication make_;
};

// The studio's class offered to COM for as long as this lives, to every client.
class CStudioClassRegistration {
public:
    CStudioClassRegistration(const CLSID& classId, CStudioClassFactory::MakeApplication make);
    CStudioClassRegistration(const CStudioClassRegistration&) = delete;
    CStudioClassRegistration& operator=(const CStudioClassRegistration&) = delete;
    ~CStudioClassRegistration();

    bool IsRegistered() const { return cookie_ != 0; }

private:
    DWORD cookie_ = 0;
};

}  // namespace vantrel::platform
