# Test programs: one GoogleTest executable per folder below tests/native (portable code, run on the
# host) and tests/win (Win32 code, cross-built and run under Wine). Adding a test file to a folder is
# all it takes; a new folder becomes a new executable.
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
  add_library(gtest ALIAS GTest::gtest)
  add_library(gtest_main ALIAS GTest::gtest_main)
endif()

function(varnoke_test_folders root prefix)
  file(GLOB areas LIST_DIRECTORIES true ${root}/*)
  foreach(area_dir ${areas})
    get_filename_component(area ${area_dir} NAME)
    if(NOT IS_DIRECTORY ${area_dir} OR area STREQUAL "support")
      continue()
    endif()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${area_dir}/*.cpp)
    if(NOT srcs)
      continue()
    endif()
    set(target ${prefix}_${area})
    add_executable(${target} ${srcs})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${ARGN})
    target_compile_definitions(${target} PRIVATE VARNOKE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 600 ${VARNOKE_TEST_PROPERTIES})
  endforeach()
endfunction()

if(WIN32)
  if(MINGW)
    add_link_options(-static -static-libgcc -static-libstdc++)
  endif()
  # Under Wine the prefix is prepared once (locale, registry tweaks) before any test program runs.
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME wine_prefix COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh)
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    set(VARNOKE_TEST_PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  file(GLOB support_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/support/*.cpp)
  add_library(win_test_support STATIC ${support_srcs})
  target_include_directories(win_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(win_test_support PUBLIC varnoke_win gtest)
  target_compile_definitions(win_test_support PUBLIC VARNOKE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  varnoke_test_folders(${CMAKE_SOURCE_DIR}/tests/win win win_test_support)
  # A real WebDAV server and the fault proxy before it, on loopback ports, for the sync tests.
  if(CMAKE_CROSSCOMPILING)
    set(webdav_dir ${CMAKE_BINARY_DIR}/webdav)
    add_test(NAME webdav_server COMMAND ${CMAKE_SOURCE_DIR}/scripts/webdav-server.sh start ${webdav_dir})
    add_test(NAME webdav_server_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/webdav-server.sh stop ${webdav_dir})
    set_tests_properties(webdav_server PROPERTIES FIXTURES_SETUP webdav TIMEOUT 120)
    set_tests_properties(webdav_server_stop PROPERTIES FIXTURES_CLEANUP webdav)
    set_tests_properties(win_sync PROPERTIES FIXTURES_REQUIRED "wine;webdav"
                         ENVIRONMENT VARNOKE_WEBDAV_PORTS=${webdav_dir}/ports)
  endif()
  # Programs that check keyboard focus or activation take turns on the shared display: a window
  # another test program opens meanwhile would take the focus away. The dialogs and the finder's
  # windows take it too.
  set_tests_properties(win_app win_app_ingame win_config_window win_multi_paths win_other_page
                       win_prompt win_finder PROPERTIES RESOURCE_LOCK display)
  # The single-instance marker is one for the whole Wine prefix: start-up's tests hold it, and the
  # restore ended by force and the command line start up.
  set_tests_properties(win_app_backup win_command_line win_sync PROPERTIES RESOURCE_LOCK "display;single_instance")
  set_tests_properties(win_startup PROPERTIES RESOURCE_LOCK single_instance)
  # Stand-in programs that tests read or start, beside the test programs.
  add_executable(hash_icon tests/win/programs/hash_icon.c tests/win/programs/hash_icon.rc)
  target_include_directories(hash_icon PRIVATE ${CMAKE_SOURCE_DIR}/res)
  add_executable(stand_in WIN32 tests/win/programs/stand_in.c)
  # The save finder's game, and its launcher that hands over to it.
  add_executable(finder_game WIN32 tests/win/programs/finder_game.c)
  add_executable(finder_launcher WIN32 tests/win/programs/finder_game.c)
  target_compile_definitions(finder_launcher PRIVATE LAUNCHER)
  # Some tests start the real program (second instance, start-up, command line); they find it
  # beside themselves.
  add_custom_target(tests_need_exe ALL DEPENDS Varnoke hash_icon stand_in finder_game finder_launcher)
else()
  varnoke_test_folders(${CMAKE_SOURCE_DIR}/tests/native native varnoke_core gtest_main)
endif()
