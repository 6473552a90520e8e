# vetrel.exe: the Windows GUI over the portable logic and the Windows backend.
file(GLOB VETREL_GUI_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
# The manifest names the version too: the project's, written into a copy the .rc finds
# through the generated directory.
file(READ ${CMAKE_CURRENT_LIST_DIR}/vetrel.manifest VETREL_MANIFEST)
string(REGEX REPLACE "assemblyIdentity version=\"[0-9.]*\""
       "assemblyIdentity version=\"${PROJECT_VERSION}.0\"" VETREL_MANIFEST "${VETREL_MANIFEST}")
file(CONFIGURE OUTPUT ${VETREL_GENERATED_DIR}/vetrel_versioned.manifest CONTENT "${VETREL_MANIFEST}"
     @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/vetrel.manifest)
add_executable(vetrel WIN32 ${VETREL_GUI_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/vetrel.rc)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/vetrel.rc PROPERTIES OBJECT_DEPENDS
  "${VETREL_GENERATED_DIR}/vetrel_versioned.manifest;${CMAKE_CURRENT_LIST_DIR}/vetrel.ico;${CMAKE_CURRENT_LIST_DIR}/sort_up.ico;${CMAKE_CURRENT_LIST_DIR}/resource_ids.h;${VETREL_GENERATED_DIR}/vetrel_version.h")
target_include_directories(vetrel PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${VETREL_GENERATED_DIR})
add_dependencies(vetrel vetrel_version)
target_compile_definitions(vetrel PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0601)
target_link_options(vetrel PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(vetrel PRIVATE vetrel_platform vetrel_logic comctl32 uxtheme shell32
  gdi32 user32 ws2_32 iphlpapi)
set_target_properties(vetrel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
