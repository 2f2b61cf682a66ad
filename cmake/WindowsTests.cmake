# Included from tests/CMakeLists.txt in Windows builds.
list(FILTER VANTREL_TEST_SOURCES EXCLUDE REGEX
  "/(CliTest|PathResolverTest|PosixFilesTest|CodePageConversionTest|FoldersAndNamesTest)\\\\.cpp$")
file(GLOB VANTREL_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
list(APPEND VANTREL_TEST_SOURCES ${VANTREL_WIN32_TEST_SOURCES})
