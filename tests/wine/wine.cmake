# Test-only Windows programs that the scripts in tests/wine run under Wine.
include(${CMAKE_CURRENT_LIST_DIR}/backend.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/mail.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/gui.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/settings.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/scan.cmake OPTIONAL)
