#include "vantrel/vantrel.h"

#include "text/CodePage.h"

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
    vantrel::text::SetCodePage(*codePage);
    return 0;
}
