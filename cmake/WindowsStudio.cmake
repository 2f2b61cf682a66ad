# vantrel-studio.exe: the studio as a Windows program and COM local server, the stand-in
# editor for machines without one. It links the hosting in vantrel_core, never vantrel.dll.
add_executable(vantrel_studio_server WIN32 ${PROJECT_SOURCE_DIR}/studio-server/StudioServerMain.cpp)
set_target_properties(vantrel_studio_server PROPERTIES OUTPUT_NAME vantrel-studio)
target_compile_definitions(vantrel_studio_server PRIVATE VANTREL_STUDIO_VERSION="${PROJECT_VERSION}")
target_link_libraries(vantrel_studio_server PRIVATE vantrel_core uuid)
target_link_options(vantrel_studio_server PRIVATE -static)
install(TARGETS vantrel_studio_server RUNTIME DESTINATION bin)
