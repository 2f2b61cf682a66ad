# vantrel.dll. Its exports are exactly the .def file's: the library's objects declare no
# dllexport, and programs that link vantrel_core statically import nothing.
# The DLL runs on Windows XP SP3 and later: its layers see only XP's declarations, so a newer
# function can be reached only through GetProcAddress. The studio's program and hosting are
# not part of it.
foreach(layer IN LISTS VANTREL_LAYERS ITEMS vantrel)
  if(layer STREQUAL "vantrel_hosting" OR layer STREQUAL "vantrel_studio" OR layer STREQUAL "vantrel_platform_headless")
    target_compile_definitions(${layer} PRIVATE VANTREL_BUILDING_LIBRARY _WIN32_WINNT=0x0600)
  else()
    target_compile_definitions(${layer} PRIVATE VANTREL_BUILDING_LIBRARY _WIN32_WINNT=0x0501)
  endif()
endforeach()
target_compile_definitions(vantrel_core PUBLIC VANTREL_STATIC)
# The DLL's entry points and its own build platform; the test programs bring theirs.
target_sources(vantrel PRIVATE ${PROJECT_SOURCE_DIR}/src/module/win32/DllMain.cpp
  ${PROJECT_SOURCE_DIR}/src/module/win32/ComServerExports.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/Win32BuildPlatform.cpp)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VANTREL_DEF ${PROJECT_SOURCE_DIR}/src/module/win32/vantrel-i686.def)
  # The COM entry points are stdcall; the .def names them undecorated.
  target_link_options(vantrel PRIVATE -Wl,--enable-stdcall-fixup)
else()
  set(VANTREL_DEF ${PROJECT_SOURCE_DIR}/src/module/win32/vantrel-x86_64.def)
endif()

# The type library, compiled from its IDL, goes into the resources as TYPELIB 1.
set(VANTREL_TYPELIB ${CMAKE_CURRENT_BINARY_DIR}/vantrel.tlb)
add_custom_command(OUTPUT ${VANTREL_TYPELIB}
  COMMAND ${VANTREL_WIDL} -t -T ${VANTREL_TYPELIB} ${PROJECT_SOURCE_DIR}/src/module/win32/vantrel.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/src/module/win32/vantrel.idl
  COMMENT "Type library vantrel.tlb")
configure_file(${PROJECT_SOURCE_DIR}/src/module/win32/vantrel.rc.in ${CMAKE_CURRENT_BINARY_DIR}/vantrel.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/vantrel.rc PROPERTIES OBJECT_DEPENDS ${VANTREL_TYPELIB})
target_sources(vantrel PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/vantrel.rc ${VANTREL_DEF})

# PREFIX "": the .def says LIBRARY vantrel, so importers look for vantrel.dll.
set_target_properties(vantrel PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib"
  LINK_DEPENDS ${VANTREL_DEF})
target_link_libraries(vantrel PRIVATE user32 gdi32 advapi32 ole32 oleaut32)
install(TARGETS vantrel RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vantrel DESTINATION include)
