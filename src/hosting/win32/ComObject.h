#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace vantrel::hosting {

// How many COM objects of this process are alive: every test ends with none, so a reference
// that a client or the server forgets to give back shows.
inline std::atomic<long> theLiveComObjects{0};

// Reference counting and QueryInterface for a COM object with one interface besides IUnknown.
// Objects start with one reference, for whoever made them, and delete themselves at zero.
template <typename Interface, const IID& kInterfaceId>
class CComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override
    {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, kInterfaceId)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    CComObject() { ++theLiveComObjects; }
    virtual ~CComObject() { --theLiveComObjects; }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace vantrel::hosting
