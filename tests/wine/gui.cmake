# The GUI test driver and the empty dialog program that the start-up benchmark compares with.
add_executable(gui_driver ${CMAKE_CURRENT_LIST_DIR}/gui_driver.cpp)
target_compile_definitions(gui_driver PRIVATE UNICODE _UNICODE)
target_link_options(gui_driver PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(gui_driver PRIVATE comctl32 user32)
set_target_properties(gui_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(empty_dialog WIN32 ${CMAKE_CURRENT_LIST_DIR}/empty_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/empty_dialog.rc)
target_link_options(empty_dialog PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
set_target_properties(empty_dialog PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The message window alone, with its resources, under a timing loop.
add_executable(message_bench ${CMAKE_CURRENT_LIST_DIR}/message_bench.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/win32/message_window.cpp ${CMAKE_SOURCE_DIR}/src/ui/win32/vetrel.rc)
target_include_directories(message_bench PRIVATE ${CMAKE_SOURCE_DIR}/src/ui/win32)
target_compile_definitions(message_bench PRIVATE UNICODE _UNICODE)
target_link_options(message_bench PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(message_bench PRIVATE vetrel_platform vetrel_logic comctl32 user32 gdi32)
set_target_properties(message_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# ListViewControl and the message window against Wine's controls (run by list_view.sh).
if(TARGET wine_gtest)
  add_executable(gui_unit_tests ${CMAKE_CURRENT_LIST_DIR}/gui/list_view_test.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/win32/list_view.cpp ${CMAKE_SOURCE_DIR}/src/ui/win32/message_window.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/win32/vetrel.rc)
  target_include_directories(gui_unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/ui/win32)
  target_compile_definitions(gui_unit_tests PRIVATE UNICODE _UNICODE)
  target_link_options(gui_unit_tests PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_libraries(gui_unit_tests PRIVATE vetrel_platform vetrel_logic wine_gtest comctl32
    user32 gdi32)
  set_target_properties(gui_unit_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The message hooks that gui_driver puts into vetrel.exe (a bare WM_NOTIFY from inside, the
# IPv6 neighbour table Wine lacks).
add_library(gui_hook SHARED ${CMAKE_CURRENT_LIST_DIR}/gui_hook.cpp)
target_link_options(gui_hook PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(gui_hook PRIVATE user32 ws2_32)
set_target_properties(gui_hook PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
