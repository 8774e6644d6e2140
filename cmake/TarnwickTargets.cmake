# Common compile settings and test registration for every target of the project.

function(tarnwick_settings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_include_directories(${target} PUBLIC ${TARNWICK_ROOT})
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PUBLIC
      UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
  if(TARNWICK_SANITIZE AND NOT WIN32)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# A library of portable code (no <windows.h>): built for both targets.
function(tarnwick_portable_library name)
  add_library(${name} STATIC ${ARGN})
  tarnwick_settings(${name})
endfunction()

# GoogleTest from Debian's source package, built for whichever target this tree is.
macro(tarnwick_use_gtest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    find_path(TARNWICK_GTEST_SRC CMakeLists.txt PATHS /usr/src/googletest NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    add_subdirectory(${TARNWICK_GTEST_SRC} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()
  include(GoogleTest)
endmacro()

# tarnwick_add_gtest(NAME SOURCES a.cpp ... LIBS x y [WINE_ENV K=V ...] [TIMEOUT s])
# One ctest entry per TEST() in the sources. Windows test programs run under Wine through
# the test bed, which the winebed fixture starts before the first of them and stops after
# the last; the pageserver fixture answers the program's update page meanwhile
# (TARNWICK_PAGE_DIR is its folder).
function(tarnwick_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;WINE_ENV" ${ARGN})
  tarnwick_use_gtest()
  add_executable(${name} ${T_SOURCES})
  tarnwick_settings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST added)
  set_tests_properties(${added} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${added} PROPERTIES
      FIXTURES_REQUIRED "winebed;pageserver"
      RESOURCE_LOCK winebed_display
      ENVIRONMENT "WINEBED_DIR=${CMAKE_BINARY_DIR}/winebed;TARNWICK_PAGE_DIR=${TARNWICK_PAGE_DIR};${T_WINE_ENV}")
  endif()
endfunction()

# A ctest entry whose command is a shell script run on the Linux side, with the bed's
# emulator and directory in its environment (for checks that need both sides).
function(tarnwick_add_bed_script name script)
  add_test(NAME ${name} COMMAND bash ${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED "winebed;pageserver"
    RESOURCE_LOCK winebed_display
    ENVIRONMENT "WINEBED_DIR=${CMAKE_BINARY_DIR}/winebed;WINEBED=${TARNWICK_ROOT}/tests/support/winebed.sh;BUILD_DIR=${CMAKE_BINARY_DIR};TARNWICK_PAGE_DIR=${TARNWICK_PAGE_DIR}")
endfunction()

# The bed's start and stop, once per build tree (called from tests/CMakeLists.txt).
function(tarnwick_winebed_fixture)
  set(bed ${TARNWICK_ROOT}/tests/support/winebed.sh)
  add_test(NAME winebed.up COMMAND ${bed} up ${CMAKE_BINARY_DIR}/winebed)
  add_test(NAME winebed.down COMMAND ${bed} down ${CMAKE_BINARY_DIR}/winebed)
  set_tests_properties(winebed.up PROPERTIES FIXTURES_SETUP winebed TIMEOUT 180)
  set_tests_properties(winebed.down PROPERTIES FIXTURES_CLEANUP winebed TIMEOUT 60)
endfunction()

# The page server on this tree's update port (TarnwickUpdatePage.cmake), serving site/ for
# every Windows test that may start the program; tests switch it through
# TARNWICK_PAGE_DIR/mode (tests/support/page_server.py).
set(TARNWICK_PAGE_DIR ${CMAKE_BINARY_DIR}/pageserver)
function(tarnwick_page_server_fixture)
  set(script ${TARNWICK_ROOT}/tests/support/page_server_fixture.sh)
  if(TARNWICK_UPDATE_PORT)
    add_test(NAME pageserver.up COMMAND ${script} up ${TARNWICK_PAGE_DIR} ${TARNWICK_UPDATE_PORT} ${TARNWICK_ROOT}/site)
    add_test(NAME pageserver.down COMMAND ${script} down ${TARNWICK_PAGE_DIR})
  else()
    # A build for release reads a real update host: nothing to serve.
    add_test(NAME pageserver.up COMMAND ${CMAKE_COMMAND} -E echo "no local update page in this build")
    add_test(NAME pageserver.down COMMAND ${CMAKE_COMMAND} -E true)
  endif()
  set_tests_properties(pageserver.up PROPERTIES FIXTURES_SETUP pageserver TIMEOUT 30)
  set_tests_properties(pageserver.down PROPERTIES FIXTURES_CLEANUP pageserver TIMEOUT 30)
endfunction()
