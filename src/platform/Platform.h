#pragma once

// What grading needs from the operating system, at the grain the grading algorithms need.
// Everything above this header is portable; a backend (Win32, headless) implements it.

#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::platform {

class CCaptureImage;

// ---- registry -------------------------------------------------------------------------

enum class RegistryRoot { ClassesRoot, LocalMachine };

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

struct RegistryValue {
    std::uint32_t type = kRegNone;
    std::string bytes;  // the stored data, at most as many bytes as the reader offered
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens root\subKey for reading and queries one value (the default value when valueName
    // is empty) into a buffer of maxBytes. nullopt when the key cannot be opened; a value that
    // does not exist reads as type kRegNone.
    virtual std::optional<RegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                                   const std::string& valueName,
                                                   std::size_t maxBytes) = 0;
};

// ---- launcher -------------------------------------------------------------------------

constexpr int kShowNormal = 5;  // SW_SHOW

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Starts a command line; the result follows WinExec: 32 or more is success.
    virtual std::uint32_t Launch(const std::string& commandLine, int showCommand) = 0;
};

// ---- automation -----------------------------------------------------------------------

class IAutomationObject;
using AutomationRef = std::shared_ptr<IAutomationObject>;

constexpr std::uint16_t kDispatchMethod = 1;
constexpr std::uint16_t kDispatchPropertyGet = 2;
constexpr std::uint16_t kDispatchPropertyPut = 4;

struct Variant {
    enum class Type { Empty, Bool, String, Dispatch };
    Type type = Type::Empty;
    bool boolean = false;
    std::string text;  // a byte string in the system code page
    AutomationRef object;

    static Variant Empty() { return {}; }
    static Variant Bool(bool v) { Variant r; r.type = Type::Bool; r.boolean = v; return r; }
    static Variant String(std::string v) { Variant r; r.type = Type::String; r.text = std::move(v); return r; }
    static Variant Dispatch(AutomationRef v) { Variant r; r.type = Type::Dispatch; r.object = std::move(v); return r; }
};

// A failed automation call: the counterpart of the framework's dispatch exception.
class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a member takes and gives, for a server that checks its callers as a type library would.
struct AutomationMember {
    std::uint16_t kind = kDispatchMethod;  // kDispatchMethod or kDispatchPropertyPut
    std::vector<Variant::Type> arguments;
    Variant::Type result = Variant::Type::Empty;  // Empty: the member gives nothing
};

class IAutomationObject {
public:
    virtual ~IAutomationObject() = default;
    // Invokes a member by DISPID and gives whatever it answers. Throws AutomationError when
    // the server fails the call.
    virtual Variant Invoke(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args) = 0;
    // Invokes a member as a client that knows its result type: nothing is asked for when that
    // is Empty, and the answer is taken as that type. Throws AutomationError when the call
    // fails or its answer cannot be taken so.
    virtual Variant Call(std::int32_t dispid, std::uint16_t flags, const std::vector<Variant>& args,
                         Variant::Type result)
    {
        Variant answer = Invoke(dispid, flags, args);
        if (result == Variant::Type::Empty) return Variant::Empty();
        if (answer.type != result) throw AutomationError("the automation call answered with a value of another type");
        return answer;
    }
    // The member's signature when this object declares it, for servers that check calls.
    virtual std::optional<AutomationMember> Member(std::int32_t /*dispid*/) const { return std::nullopt; }
};

class IAutomation {
public:
    virtual ~IAutomation() = default;
    // Creates the object registered under a programmatic identifier; empty on failure.
    virtual AutomationRef CreateObject(const std::string& progId) = 0;
};

// ---- desktop --------------------------------------------------------------------------

using WindowHandle = std::uintptr_t;  // 0: no window
using MenuHandle = std::uintptr_t;    // 0: no menu

constexpr std::uint32_t kSubmenuItemId = 0xFFFFFFFFu;

class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Calls back once per window in the platform's order until the callback answers false.
    virtual void EnumTopLevelWindows(const std::function<bool(WindowHandle)>& callback) = 0;
    virtual void EnumDescendantWindows(WindowHandle parent,
                                       const std::function<bool(WindowHandle)>& callback) = 0;
    // At most maxChars characters of the title.
    virtual std::string WindowTitle(WindowHandle window, int maxChars) = 0;

    virtual MenuHandle MenuBar(WindowHandle window) = 0;
    virtual MenuHandle SubMenu(MenuHandle menu, int position) = 0;
    virtual int MenuItemCount(MenuHandle menu) = 0;                       // -1 on failure
    virtual std::uint32_t MenuItemId(MenuHandle menu, int position) = 0;  // 0 for a separator
    virtual std::string MenuItemText(MenuHandle menu, int position, int maxChars) = 0;
    // Delivers WM_COMMAND and returns when the window has handled it.
    virtual void SendCommand(WindowHandle window, std::uint32_t commandId) = 0;
    virtual void BringToFront(WindowHandle window) = 0;

    // The client area as it shows now, scaled to 200 x 160 in the display's format.
    // Null when the capture bitmap cannot be created.
    virtual std::unique_ptr<CCaptureImage> CaptureClientArea(WindowHandle window) = 0;
    // Sets every pixel of the client area to a Windows colour value (0x00BBGGRR).
    virtual void OverpaintClientArea(WindowHandle window, std::uint32_t colorRef) = 0;
};

// ---- clock ----------------------------------------------------------------------------

class IClock {
public:
    virtual ~IClock() = default;
    // The millisecond counter; it wraps at 2^32.
    virtual std::uint32_t TickCount() = 0;
    // The caller has nothing to do for up to ms milliseconds.
    virtual void Idle(std::uint32_t ms) = 0;
};

// ---- message box ----------------------------------------------------------------------

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // A modal message with an OK button only; returns when it is closed.
    virtual void Show(const std::string& utf8Text) = 0;
};

// ---- files ----------------------------------------------------------------------------

// Tells one version of a file from another without reading it: replacing or rewriting a file
// changes at least one of these.
struct CFileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    auto operator<=>(const CFileIdentity&) const = default;
};

class IFiles {
public:
    virtual ~IFiles() = default;
    // Opens an existing file read-only, never a directory. -1 on failure.
    virtual int OpenReadOnly(const std::string& codePagePath) = 0;
    virtual long Read(int handle, void* buffer, std::size_t count) = 0;
    virtual long SeekFromCurrent(int handle, long offset) = 0;
    virtual void Close(int handle) = 0;
    // The file system's name for an existing file or folder named by a path from the answer
    // key; nullopt when there is none.
    virtual std::optional<std::string> ResolvePath(const std::string& codePagePath) = 0;
    // Whether the way to the entry a path names passes an entry inside the folder that is a
    // link (or junction) leading out of it: what an examinee can plant to hand in a document
    // from elsewhere. A ".." written in the path is followed as the platform's open follows it.
    virtual bool PassesLinkOutOf(const std::string& folder, const std::string& codePagePath) = 0;
    // The identity of the regular file at a file-system path (as ResolvePath gives it);
    // nullopt for anything else, and wherever a backend cannot tell.
    virtual std::optional<CFileIdentity> IdentifyFile(const std::string& fileSystemPath)
    {
        (void)fileSystemPath;
        return std::nullopt;
    }
};

// ---- the platform ---------------------------------------------------------------------

class IPlatform {
public:
    virtual ~IPlatform() = default;
    virtual IRegistry& Registry() = 0;
    virtual ILauncher& Launcher() = 0;
    virtual IAutomation& Automation() = 0;
    virtual IDesktop& Desktop() = 0;
    virtual IClock& Clock() = 0;
    virtual IMessageBox& MessageBox() = 0;
    virtual IFiles& Files() = 0;
};

// The module-wide platform: the build's own backend unless a test installed another.
IPlatform& ActivePlatform();
// Installs a platform (null restores the build's own) and returns the one it replaces.
IPlatform* InstallPlatform(IPlatform* platform);

}  // namespace vantrel::platform
