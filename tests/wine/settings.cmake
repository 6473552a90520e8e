# The settings and route dialogs' test: a recording stand-in for the route command, and the
# driver's text measurement of the dialogs' labels.
add_executable(route_recorder ${CMAKE_CURRENT_LIST_DIR}/route_recorder.cpp)
target_link_options(route_recorder PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(route_recorder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(TARGET gui_driver)
  target_link_libraries(gui_driver PRIVATE gdi32 shell32)
endif()
