#ifndef VANTREL_VANTREL_H
#define VANTREL_VANTREL_H

/* The stable C interface of the grader, for use from other languages. */

#include "vantrel/Export.h"

#ifdef __cplusplus
/* C++ callers have always had the class from here too. */
#include "vantrel/CQelMarkPhotoShop.h"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Grades an answer key against the examinee's and the examiner's folders. Never fails:
   anything that cannot be graded lowers the mark. Null strings count as empty. */
VANTREL_API double vantrel_get_mark(const char* answer_key, const char* answer_dir, const char* key_dir);

/* Selects the code page of answer keys and file names for the whole process:
   "cp936" (the default) or "utf-8". Returns 0, or -1 for an unknown name (nothing changes).
   On Windows the code page is the system's ANSI code page, which converts every name and
   title; naming another gives -1. */
VANTREL_API int vantrel_set_codepage(const char* name);

#ifdef __cplusplus
}
#endif

#endif
