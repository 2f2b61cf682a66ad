// A host as Microsoft's compiler builds it: the class imported through the public header with
// its decorated names, Microsoft's calling conventions, its own new and delete, and neither a
// runtime library nor system headers.
// It writes an 800 x 600 RGB document, grades it through every member and exits 0 when all
// answers are right; each failed check adds one to the exit status.

typedef void* Handle;
typedef unsigned long Dword;

extern "C" {
__declspec(dllimport) Handle __stdcall GetStdHandle(Dword which);
__declspec(dllimport) int __stdcall WriteFile(Handle file, const void* data, Dword size, Dword* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) Handle __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(Handle heap, Dword flags, decltype(sizeof 0) size);
__declspec(dllimport) int __stdcall HeapFree(Handle heap, Dword flags, void* memory);
__declspec(dllimport) Dword __stdcall GetTempPathA(Dword size, char* buffer);
__declspec(dllimport) Handle __stdcall CreateFileA(const char* name, Dword access, Dword share, void* security,
                                                   Dword disposition, Dword flags, Handle templateFile);
__declspec(dllimport) int __stdcall CloseHandle(Handle handle);
__declspec(dllimport) int __stdcall DeleteFileA(const char* name);
}

// The public header as such a host includes it: the class comes declared dllimport.
#include "vantrel/CQelMarkPhotoShop.h"

static_assert(sizeof(CQelMarkPhotoShop) == 8, "one double");

// What a compiler expects from the runtime library this host does without.
extern "C" int _fltused = 0;

void* operator new(decltype(sizeof 0) size) { return HeapAlloc(GetProcessHeap(), 0, size); }
void operator delete(void* memory) noexcept { HeapFree(GetProcessHeap(), 0, memory); }
void operator delete(void* memory, decltype(sizeof 0)) noexcept { HeapFree(GetProcessHeap(), 0, memory); }

namespace {

unsigned failures = 0;

void Say(const char* text)
{
    Dword length = 0;
    while (text[length]) ++length;
    Dword written;
    WriteFile(GetStdHandle(static_cast<Dword>(-11)), text, length, &written, nullptr);
}

void Expect(bool ok, const char* what)
{
    Say(ok ? "ok     " : "FAILED ");
    Say(what);
    Say("\r\n");
    if (!ok) ++failures;
}

void Append(char* to, const char* text)
{
    while (*to) ++to;
    while ((*to++ = *text++)) {}
}

bool WriteDocument(const char* path)
{
    static const unsigned char psd[] = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 2, 0x58, 0, 0,
                                        3, 0x20, 0, 8, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Handle file = CreateFileA(path, 0x40000000 /* GENERIC_WRITE */, 0, nullptr, 2 /* CREATE_ALWAYS */, 0x80, nullptr);
    if (file == reinterpret_cast<Handle>(-1)) return false;
    Dword written = 0;
    const bool ok = WriteFile(file, psd, sizeof psd, &written, nullptr) && written == sizeof psd;
    return CloseHandle(file) && ok;
}

}  // namespace

extern "C" void HostMain()
{
    char folder[300];
    folder[GetTempPathA(260, folder)] = '\0';
    char document[400];
    document[0] = '\0';
    Append(document, folder);
    Append(document, "VANTREL-HOST.PSD");
    Expect(WriteDocument(document), "the examinee's document is written");

    // Width and mode pass (7), height fails (2): the mark is 7 x 0.1.
    const char* key = "DESTFILE=vantrel-host.psd\r\n&&7 IMAGE(WIDTH=800 COLORMODE=RGB)\r\n&&2 IMAGE(HEIGHT=1)\r\n";
    const double expected = 7 * 0.1;

    CQelMarkPhotoShop* grader = new CQelMarkPhotoShop;
    Expect(grader->GetMark(key, folder, "C:\\keys") == expected, "GetMark grades with the arguments in order");
    Expect(grader->GetMark(folder, key, "C:\\keys") == 0, "GetMark with the key in the wrong place gives 0");
    grader->MarkPS(key, folder, "");
    Expect(grader->mark == expected, "MarkPS stores the mark");

    CQelMarkPhotoShop other;
    other.MarkPS("DESTFILE=vantrel-host.psd\r\n&&3\r\n", folder, "");
    Expect(other.mark == 3 * 0.1, "a second object grades on its own");
    CQelMarkPhotoShop& assigned = (*grader = other);
    Expect(&assigned == grader && grader->mark == 3 * 0.1, "operator= copies the mark and returns the target");
    delete grader;

    DeleteFileA(document);
    Expect(true, "the destructors returned");
    ExitProcess(failures);
}
