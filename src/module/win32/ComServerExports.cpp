// The three entry points of an in-process COM server. The module serves no classes: no
// class is found, unloading is always allowed, and registering writes nothing.

#include <objbase.h>

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object)
{
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_OK; }

extern "C" HRESULT WINAPI DllRegisterServer() { return S_OK; }
