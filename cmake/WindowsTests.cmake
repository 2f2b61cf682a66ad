# Included from tests/CMakeLists.txt in Windows builds.
list(FILTER VANTREL_TEST_SOURCES EXCLUDE REGEX
  "/(CliTest|PathResolverTest|PosixFilesTest|CodePageConversionTest|FoldersAndNamesTest)\\.cpp$")
file(GLOB VANTREL_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
list(APPEND VANTREL_TEST_SOURCES ${VANTREL_WIN32_TEST_SOURCES})

# The test programs load vantrel.dll from their own folder, as a host would.
set(VANTREL_TEST_DLL ${CMAKE_CURRENT_BINARY_DIR}/vantrel.dll)
add_custom_command(OUTPUT ${VANTREL_TEST_DLL}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vantrel> ${VANTREL_TEST_DLL}
  DEPENDS vantrel)
add_custom_target(vantrel_test_dll DEPENDS ${VANTREL_TEST_DLL})
set(VANTREL_WIN32_TEST_LIBRARIES oleaut32 ole32 uuid version)

# A host that loads vantrel.dll and grades with its C interface, to set beside the Linux
# build's marks.
add_executable(vantrel_dll_host ${CMAKE_CURRENT_SOURCE_DIR}/win32/host/DllHost.c)
add_dependencies(vantrel_dll_host vantrel_test_dll)

# The studio program beside the tests, which start it as a COM local server.
set(VANTREL_TEST_STUDIO ${CMAKE_CURRENT_BINARY_DIR}/vantrel-studio.exe)
add_custom_command(OUTPUT ${VANTREL_TEST_STUDIO}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vantrel_studio_server> ${VANTREL_TEST_STUDIO}
  DEPENDS vantrel_studio_server)
add_custom_target(vantrel_test_studio DEPENDS ${VANTREL_TEST_STUDIO})

# A host that grades effect criteria through vantrel.dll, with the studio in its own windows.
add_executable(vantrel_effects_host ${CMAKE_CURRENT_SOURCE_DIR}/win32/host/EffectsHost.cpp)
target_link_libraries(vantrel_effects_host PRIVATE vantrel_core uuid)
target_link_options(vantrel_effects_host PRIVATE -static)
add_dependencies(vantrel_effects_host vantrel_test_dll)

# A program whose window appears a second after it starts, for the launcher's wait.
add_executable(vantrel_late_window WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/win32/host/LateWindow.cpp)
target_link_options(vantrel_late_window PRIVATE -static)
