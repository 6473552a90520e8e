# The range scanner in a real window under Wine, probes answered at once (bench/scan_gui_bench.sh).
add_executable(scan_gui_bench ${CMAKE_SOURCE_DIR}/bench/wine/scan_gui_bench.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/win32/list_view.cpp ${CMAKE_SOURCE_DIR}/src/ui/win32/vetrel.rc)
target_include_directories(scan_gui_bench PRIVATE ${CMAKE_SOURCE_DIR}/src/ui/win32)
target_compile_definitions(scan_gui_bench PRIVATE UNICODE _UNICODE)
target_link_options(scan_gui_bench PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(scan_gui_bench PRIVATE vetrel_platform vetrel_logic comctl32 user32 gdi32)
set_target_properties(scan_gui_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
