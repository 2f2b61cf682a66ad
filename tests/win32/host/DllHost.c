/* Loads vantrel.dll as an examination host does and prints the mark of one grading call,
   with every digit, so that it can be set beside another build's mark.
   usage: vantrel_dll_host KEYFILE ANSWERDIR KEYDIR
          vantrel_dll_host --throughput FOLDER
   The second form grades the property key of the GetMark benchmark (BM_GetMarkPropertyKey)
   for two seconds against a document it writes into FOLDER, and prints calls per second. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef double (*GetMarkFunction)(const char*, const char*, const char*);

static GetMarkFunction LoadGetMark(void)
{
    HMODULE module = LoadLibraryA("vantrel.dll");
    if (!module) {
        fprintf(stderr, "cannot load vantrel.dll (error %lu)\n", GetLastError());
        exit(1);
    }
    GetMarkFunction getMark = (GetMarkFunction)(void (*)(void))GetProcAddress(module, "vantrel_get_mark");
    if (!getMark) {
        fprintf(stderr, "vantrel.dll exports no vantrel_get_mark\n");
        exit(1);
    }
    return getMark;
}

static int Throughput(const char* folder)
{
    /* A header-only 800 x 600 RGB document, as the benchmark writes. */
    static const unsigned char psd[] = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 2, 0x58, 0, 0,
                                        3, 0x20, 0, 8, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    char path[1024];
    snprintf(path, sizeof path, "%s\\ANSWER.PSD", folder);
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(psd, 1, sizeof psd, file) != sizeof psd || fclose(file) != 0) {
        fprintf(stderr, "cannot write %s\n", path);
        return 2;
    }
    char key[4096];
    int length = snprintf(key, sizeof key, "DESTFILE=Answer.psd");
    for (int block = 0; block < 10; ++block)
        length += snprintf(key + length, sizeof key - (size_t)length,
                           "\r\n&&1 IMAGE(WIDTH=800 HEIGHT>=600 CHANNEL=3..4 COLORMODE=RGB) LAYER(COUNT=%d)", block);

    GetMarkFunction getMark = LoadGetMark();
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    long long calls = 0;
    double seconds = 0;
    do {
        for (int i = 0; i < 100; ++i)
            if (getMark(key, folder, "") != 1) {
                fprintf(stderr, "the key did not grade in full\n");
                return 1;
            }
        calls += 100;
        QueryPerformanceCounter(&now);
        seconds = (double)(now.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    } while (seconds < 2);
    printf("%.0f GetMark calls/s (%.2f us each)\n", (double)calls / seconds, seconds * 1e6 / (double)calls);
    remove(path);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--throughput") == 0) return Throughput(argv[2]);
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

    printf("%.17g\n", LoadGetMark()(key, argv[2], argv[3]));
    return 0;
}
