# vantrel-studio.exe: the studio as a Windows program and COM local server, the stand-in
# editor for machines without one. It links the hosting in vantrel_core, never vantrel.dll.
add_executable(vantrel_studio WIN32 ${PROJECT_SOURCE_DIR}/studio-server/StudioServerMain.cpp
  ${PROJECT_SOURCE_DIR}/studio-server/StudioRegistration.cpp)
set_target_properties(vantrel_studio PROPERTIES OUTPUT_NAME vantrel-studio)
target_compile_definitions(vantrel_studio PRIVATE VANTREL_STUDIO_VERSION="${PROJECT_VERSION}")
target_link_libraries(vantrel_studio PRIVATE vantrel_core uuid)
target_link_options(vantrel_studio PRIVATE -static)
install(TARGETS vantrel_studio RUNTIME DESTINATION bin)
