# The Linux console program. Everything but main() is a library, so the unit tests can
# drive the front end against the fake platform.
file(GLOB_RECURSE VETREL_CONSOLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM VETREL_CONSOLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
add_library(vetrel_console STATIC ${VETREL_CONSOLE_SOURCES})
target_link_libraries(vetrel_console PUBLIC vetrel_logic)

if(TARGET vetrel_platform)
  add_executable(vetrel ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  # The logic calls the platform and the platform uses the logic's helpers.
  target_link_libraries(vetrel PRIVATE vetrel_console
                        "$<LINK_GROUP:RESCAN,vetrel_platform,vetrel_logic>")
endif()

# What `cmake --install` and the Debian package put in place.
include(GNUInstallDirs)
configure_file(${CMAKE_SOURCE_DIR}/doc/vetrel.1.in ${VETREL_GENERATED_DIR}/vetrel.1 @ONLY)
if(TARGET vetrel)
  install(TARGETS vetrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${VETREL_GENERATED_DIR}/vetrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/completion/vetrel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
