#include "platform/win32/studio/StudioClassFactory.h"

#include <exception>

#include "platform/win32/studio/StudioDispatch.h"

namespace vantrel::platform {

HRESULT CStudioClassFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** object)
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
    IDispatch* dispatch = CStudioDispatch::Expose(std::move(application));
    const HRESULT status = dispatch->QueryInterface(interfaceId, object);
    dispatch->Release();
    return status;
}

HRESULT CStudioClassFactory::LockServer(BOOL) { return S_OK; }

CStudioClassRegistration::CStudioClassRegistration(const CLSID& classId, CStudioClassFactory::MakeApplication make)
{
    auto* factory = new CStudioClassFactory(std::move(make));
    if (FAILED(CoRegisterClassObject(classId, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_)))
        cookie_ = 0;
    factory->Release();  // COM holds its own reference while registered
}

CStudioClassRegistration::~CStudioClassRegistration()
{
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

}  // namespace vantrel::platform
