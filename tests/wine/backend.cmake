# The Windows backend's tests, cross-built with GoogleTest from the sources Debian ships and
# run under Wine by backend.sh.
set(VETREL_GTEST_ROOT /usr/src/googletest/googletest)
if(EXISTS ${VETREL_GTEST_ROOT}/src/gtest-all.cc)
  add_library(wine_gtest STATIC ${VETREL_GTEST_ROOT}/src/gtest-all.cc
                                ${VETREL_GTEST_ROOT}/src/gtest_main.cc)
  target_include_directories(wine_gtest SYSTEM PUBLIC ${VETREL_GTEST_ROOT}/include
                                               PRIVATE ${VETREL_GTEST_ROOT})
  # Not our code: its warnings are not ours to fix.
  target_compile_options(wine_gtest PRIVATE -w)

  file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/backend/*.cpp)
  add_executable(wine_backend_tests ${WINE_TEST_SOURCES})
  target_link_libraries(wine_backend_tests PRIVATE vetrel_platform vetrel_logic wine_gtest)
else()
  message(WARNING "GoogleTest sources missing (Debian package googletest): no wine_backend_tests")
endif()
