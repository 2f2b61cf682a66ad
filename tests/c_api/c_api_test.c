/* The C interface, from C: the header compiles as C11 and the shared library grades.
   argv[1] is a folder to write the examinee's document in. */

#include <stdio.h>
#include <string.h>

#include "vantrel/vantrel.h"

static int failures = 0;

static void Expect(int ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

/* A header-only 800 x 600 RGB PSD: all that property criteria read. */
static int WriteDocument(const char* path)
{
    static const unsigned char psd[] = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 2, 0x58, 0, 0,
                                        3, 0x20, 0, 8, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    const int written = fwrite(psd, 1, sizeof psd, file) == sizeof psd;
    return fclose(file) == 0 && written;
}

int main(int argc, char** argv)
{
    char path[4096];
    if (argc != 2 || snprintf(path, sizeof path, "%s/A.PSD", argv[1]) >= (int)sizeof path || !WriteDocument(path)) {
        fprintf(stderr, "usage: c_api_test WRITABLE_DIR\n");
        return 2;
    }
    Expect(vantrel_set_codepage("latin1") == -1, "an unknown code page is refused");
#ifdef _WIN32
    /* Windows keeps its ANSI code page; under test it is 936. */
    Expect(vantrel_set_codepage("utf-8") == -1, "another code page than Windows' own is refused");
    Expect(vantrel_set_codepage("cp936") == 0, "Windows' own code page is taken");
#else
    Expect(vantrel_set_codepage("utf-8") == 0, "utf-8 is taken");
#endif
    Expect(vantrel_get_mark("&&5 IMAGE(WIDTH=1)\r\n", argv[1], "") == 0.0, "a key that opens no document gives 0");
    Expect(vantrel_get_mark("DESTFILE=A.PSD\r\n&&4 IMAGE(WIDTH=800)\r\n&&3 IMAGE(WIDTH=1)\r\n", argv[1], "") == 0.4,
           "the passing block counts");
    return failures == 0 ? 0 : 1;
}
