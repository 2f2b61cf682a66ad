# Windows builds. vantrel.dll holds the grading library, the Win32 services and the module
# shell. The POSIX services have no place on Windows. The headless platform, the studio and
# the studio's real windows (platform/win32/studio) are no part of the DLL: they go into
# vantrel_core only, the static library the test programs link, where the headless platform
# with the Win32 files is the build platform.
list(FILTER VANTREL_SOURCES EXCLUDE REGEX "/src/platform/posix/")

set(VANTREL_HOSTING_SOURCES ${VANTREL_SOURCES})
list(FILTER VANTREL_HOSTING_SOURCES INCLUDE REGEX "/src/(platform/headless|platform/win32/studio|studio)/")
list(FILTER VANTREL_SOURCES EXCLUDE REGEX "/src/(platform/headless|platform/win32/studio|studio)/")

# The DLL's entry points and its own build platform; the test programs bring theirs.
set(VANTREL_SHELL_SOURCES ${VANTREL_SOURCES})
list(FILTER VANTREL_SHELL_SOURCES INCLUDE REGEX
  "/src/(module/win32/(DllMain|ComServerExports)|platform/win32/Win32BuildPlatform)\\.cpp$")
list(REMOVE_ITEM VANTREL_SOURCES ${VANTREL_SHELL_SOURCES})
