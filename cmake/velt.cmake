# The warnings our own code builds with (never third-party code): shadowed names, virtuals hidden by an
# overload and polymorphic classes without a virtual destructor are mistakes waiting to happen.
set(VELT_WARNINGS -Wall -Wextra -Wshadow -Woverloaded-virtual -Wnon-virtual-dtor)

# velt_library(<target> [RECURSE] DEPS <targets...>)
# One static library per source folder, built from every .cpp in it (main.cpp excluded).
# A folder with no sources yet becomes an interface library so that dependants still link.
function(velt_library target)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    target_compile_options(${target} PRIVATE ${VELT_WARNINGS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# velt_tests(<folder-under-tests> DEPS <targets...>)
# One test program per tests/ folder; every GoogleTest case becomes its own ctest entry.
function(velt_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${name})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE velt_test_main ${ARG_DEPS})
  target_compile_definitions(${target} PRIVATE
    VELT_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    VELT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    DISCOVERY_TIMEOUT 60)
endfunction()

# velt_x11_tests(<folder-under-tests> FILTER <gtest filter>)
# Runs the chosen cases of a folder's test program once more on a real X server (Xvfb), where focus, key
# delivery and window placement behave as on a desktop; the offscreen run of the same cases stays as it is.
function(velt_x11_tests name)
  cmake_parse_arguments(ARG "" "FILTER" "" ${ARGN})
  set(target test_${name})
  if(NOT TARGET ${target})
    return()
  endif()
  add_test(NAME ${name}.UnderX11
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb-test.sh $<TARGET_FILE:${target}> --gtest_filter=${ARG_FILTER})
  set_tests_properties(${name}.UnderX11 PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;VELT_REAL_X=1")
endfunction()
