#include "hosting/win32/AutomationClassFactory.h"

#include <exception>

#include "hosting/win32/DispatchBridge.h"
#include "hosting/win32/ServerLifetime.h"

namespace vantrel::hosting {

HRESULT CAutomationClassFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** object)
{
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    AutomationRef application;
    try {
        application = make_();
    } catch (const std::exception&) {
        return E_FAIL;
    }
    if (!application) return E_FAIL;
    IDispatch* dispatch = CDispatchBridge::Expose(std::move(application));
    const HRESULT status = dispatch->QueryInterface(interfaceId, object);
    dispatch->Release();
    return status;
}

// Locks count, so that a client may keep the server between objects.
HRESULT CAutomationClassFactory::LockServer(BOOL lock)
{
    if (lock)
        HoldServer();
    else
        ReleaseServer();
    return S_OK;
}

CClassObjectRegistration::CClassObjectRegistration(const CLSID& classId, CAutomationClassFactory::MakeApplication make)
{
    auto* factory = new CAutomationClassFactory(std::move(make));
    // Registered suspended and then resumed, the pattern that lets COM stop handing out
    // objects by itself once the last server reference is let go.
    if (FAILED(CoRegisterClassObject(classId, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED,
                                     &cookie_)) ||
        FAILED(CoResumeClassObjects())) {
        if (cookie_ != 0) CoRevokeClassObject(cookie_);
        cookie_ = 0;
    }
    factory->Release();  // COM holds its own reference while registered
}

CClassObjectRegistration::~CClassObjectRegistration()
{
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

}  // namespace vantrel::hosting
