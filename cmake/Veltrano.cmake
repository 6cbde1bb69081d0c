# Build conventions shared by every folder.
#
# One library per folder: every *.cpp of the folder except *_test.cpp and *_fuzz.cpp.
# Unit tests live beside the code they test (*_test.cpp) and make one test program per folder.
# Fuzz targets (*_fuzz.cpp) define LLVMFuzzerTestOneInput; under g++ they link a small
# deterministic driver so that a short run belongs to the ordinary test suite.

set(VELTRANO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
    -Wimplicit-fallthrough)
if(VELTRANO_WERROR)
  list(APPEND VELTRANO_WARNINGS -Werror)
endif()
# g++ 12 at -O3 reports "overlapping" copies inside std::string concatenation that cannot
# happen (a known false positive of its -Wrestrict), and a memcmp bound "exceeding the maximum
# object size" inside std::vector's <=> when it inlines the comparison of two byte vectors (a
# known false positive of its -Wstringop-overread); both stay off rather than contorting code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND VELTRANO_WARNINGS -Wno-restrict -Wno-stringop-overread)
endif()

add_library(veltrano_options INTERFACE)
target_compile_options(veltrano_options INTERFACE ${VELTRANO_WARNINGS})
target_include_directories(veltrano_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(veltrano_options INTERFACE
    VELTRANO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELTRANO_VERSION="${PROJECT_VERSION}")
if(VELTRANO_SANITIZE)
  target_compile_options(veltrano_options INTERFACE -fsanitize=address,undefined
      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(veltrano_options INTERFACE -fsanitize=address,undefined)
endif()
if(VELTRANO_TSAN)
  target_compile_options(veltrano_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(veltrano_options INTERFACE -fsanitize=thread)
endif()

# veltrano_library(NAME [DEPS lib...]) — the current folder's library.
function(veltrano_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "(_test|_fuzz)\\.cpp$")
  if(NOT sources)
    # A folder whose code is still all headers.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE veltrano_options ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC veltrano_options ${ARG_DEPS})
endfunction()

# veltrano_tests(NAME [DEPS lib...]) — one test program for the folder's *_test.cpp.
function(veltrano_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE veltrano_options ${ARG_DEPS} GTest::gtest GTest::gtest_main
      GTest::gmock Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "VELTRANO_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# veltrano_fuzz_targets([DEPS lib...]) — every *_fuzz.cpp of the folder becomes a program that
# replays the seeds given on its command line or generates inputs for a fixed number of runs,
# registered as a short test.
function(veltrano_fuzz_targets)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_fuzz.cpp)
  foreach(source ${sources})
    get_filename_component(stem ${source} NAME_WE)
    add_executable(${stem} ${source} ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_driver.cpp)
    target_link_libraries(${stem} PRIVATE veltrano_options ${ARG_DEPS})
    add_test(NAME ${stem}_short COMMAND ${stem} --runs=20000)
  endforeach()
endfunction()
