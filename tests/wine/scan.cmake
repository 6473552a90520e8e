# The range scanner in a real window under Wine, probes answered at once (bench/scan_gui_bench.sh).
add_executable(scan_gui_bench ${CMAKE_SOURCE_DIR}/bench/wine/scan_gui_bench.cpp
  ${CMAKE_SOURCE_DIR}/src/ui/win32/list_view.cpp ${CMAKE_SOURCE_DIR}/src/ui/win32/vetrel.rc)
target_include_directories(scan_gui_bench PRIVATE ${CMAKE_SOURCE_DIR}/src/ui/win32)
target_compile_definitions(scan_gui_bench PRIVATE UNICODE _UNICODE)
target_link_options(scan_gui_bench PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(scan_gui_bench PRIVATE vetrel_platform vetrel_logic comctl32 user32 gdi32)
set_target_properties(scan_gui_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# vetrel.exe watched from outside with a large ARP table (bench/gui_load_bench.sh).
add_executable(arp_load_driver ${CMAKE_SOURCE_DIR}/bench/wine/arp_load_driver.cpp)
target_link_options(arp_load_driver PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(arp_load_driver PRIVATE comctl32 user32 iphlpapi)
set_target_properties(arp_load_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
