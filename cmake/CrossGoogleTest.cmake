# GoogleTest and GoogleMock from /usr/src/googletest, built with the cross toolchain inside
# this build tree.
set(VANTREL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${VANTREL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VANTREL_GOOGLETEST_SOURCE} (Debian: googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VANTREL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own sources are not held to this project's warnings.
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()
# ctest asks each test program for its tests when the test runs, through the emulator.
set(VANTREL_TEST_DISCOVERY DISCOVERY_MODE PRE_TEST)
