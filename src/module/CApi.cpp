#include "vantrel/vantrel.h"

#include "text/CodePage.h"
#ifdef _WIN32
#include "platform/win32/Win32CodePage.h"
#endif

extern "C" double vantrel_get_mark(const char* answer_key, const char* answer_dir, const char* key_dir)
{
    CQelMarkPhotoShop grader;
    return grader.GetMark(answer_key, answer_dir, key_dir);
}

extern "C" int vantrel_set_codepage(const char* name)
{
    if (!name) return -1;
    auto codePage = vantrel::text::CodePageFromName(name);
    if (!codePage) return -1;
#ifdef _WIN32
    // Windows converts names and titles in its ANSI code page, and nothing here can change that.
    if (*codePage != vantrel::platform::SystemCodePage()) return -1;
#endif
    vantrel::text::SetCodePage(*codePage);
    return 0;
}
