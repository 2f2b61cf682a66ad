/* Loads vantrel.dll as an examination host does and prints the mark of one grading call,
   with every digit, so that it can be set beside another build's mark.
   usage: vantrel_dll_host KEYFILE ANSWERDIR KEYDIR */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

typedef double (*GetMarkFunction)(const char*, const char*, const char*);

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: vantrel_dll_host KEYFILE ANSWERDIR KEYDIR\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (!file) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    char key[65536];
    size_t length = fread(key, 1, sizeof key - 1, file);
    fclose(file);
    key[length] = '\0';

    HMODULE module = LoadLibraryA("vantrel.dll");
    if (!module) {
        fprintf(stderr, "cannot load vantrel.dll (error %lu)\n", GetLastError());
        return 1;
    }
    GetMarkFunction getMark = (GetMarkFunction)(void (*)(void))GetProcAddress(module, "vantrel_get_mark");
    if (!getMark) {
        fprintf(stderr, "vantrel.dll exports no vantrel_get_mark\n");
        return 1;
    }
    printf("%.17g\n", getMark(key, argv[2], argv[3]));
    FreeLibrary(module);
    return 0;
}
