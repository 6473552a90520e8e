include(GoogleTest)
find_package(GTest REQUIRED)

# --- Linux backend: parsers, ini layer, protection and system calls (no root, label unit)
file(GLOB LINUX_BACKEND_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/backend_unit/*.cpp)
add_executable(linux_backend_tests ${LINUX_BACKEND_UNIT_SOURCES})
target_link_libraries(linux_backend_tests PRIVATE
    "$<LINK_GROUP:RESCAN,vetrel_platform,vetrel_logic>" GTest::gtest GTest::gtest_main)
gtest_discover_tests(linux_backend_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)

# --- Linux backend against the kernel, run by backend.sh inside its namespace lab (root)
file(GLOB LAB_BACKEND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/backend/*.cpp)
if(LAB_BACKEND_SOURCES)
  add_executable(lab_backend_tests ${LAB_BACKEND_SOURCES})
  # The logic calls the platform and the platform's library links the logic: one group.
  target_link_libraries(lab_backend_tests PRIVATE
    "$<LINK_GROUP:RESCAN,vetrel_platform,vetrel_logic>" GTest::gtest GTest::gtest_main)
endif()

# --- Mail notifier against a real SMTP server (smtp_real.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mail_lab.cmake)
