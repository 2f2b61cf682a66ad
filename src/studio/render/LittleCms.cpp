#include "studio/render/LittleCms.h"

#if defined(VANTREL_HAVE_LCMS2)

#include <optional>

#if defined(VANTREL_LCMS2_SONAME)
#include <dlfcn.h>
#endif

namespace vantrel::studio::render {

namespace {

#if defined(VANTREL_LCMS2_SONAME)

template <typename Function>
bool Find(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Loaded once and never unloaded: transforms made from it live as long as their documents.
std::optional<CLittleCms> Load()
{
    void* library = dlopen(VANTREL_LCMS2_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return std::nullopt;
    CLittleCms cms{};
#define VANTREL_LITTLE_CMS_FIND(name) &&Find(library, #name, cms.name)
    if (true VANTREL_LITTLE_CMS_FUNCTIONS(VANTREL_LITTLE_CMS_FIND)) return cms;
#undef VANTREL_LITTLE_CMS_FIND
    dlclose(library);
    return std::nullopt;
}

#else

std::optional<CLittleCms> Load()
{
#define VANTREL_LITTLE_CMS_ADDRESS(name) &::name,
    return CLittleCms{VANTREL_LITTLE_CMS_FUNCTIONS(VANTREL_LITTLE_CMS_ADDRESS)};
#undef VANTREL_LITTLE_CMS_ADDRESS
}

#endif

}  // namespace

const CLittleCms* LittleCms()
{
    static const std::optional<CLittleCms> cms = Load();
    return cms ? &*cms : nullptr;
}

}  // namespace vantrel::studio::render

#endif
