# The Linux console program. Everything but main() is a library, so the unit tests can
# drive the front end against the fake platform.
file(GLOB VETREL_CONSOLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM VETREL_CONSOLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
add_library(vetrel_console STATIC ${VETREL_CONSOLE_SOURCES})
target_link_libraries(vetrel_console PUBLIC vetrel_logic)

if(TARGET vetrel_platform)
  add_executable(vetrel ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  # The logic calls the platform and the platform uses the logic's helpers.
  target_link_libraries(vetrel PRIVATE vetrel_console
                        "$<LINK_GROUP:RESCAN,vetrel_platform,vetrel_logic>")
endif()
