# Shared build rules: warnings, sanitizers, DLL naming and the two language builds.

set(ORLA_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports std::string copies inside libstdc++ as overlapping (-Wrestrict) once inlined.
  list(APPEND ORLA_WARNINGS -Wno-restrict)
endif()
if(ORLA_WERROR)
  list(APPEND ORLA_WARNINGS -Werror)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${ORLA_WARNINGS}>")

if(ORLA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORLA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(ORLA_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # clang puts its sanitizer runtime statically into executables only; the DLLs, linked with
  # --no-undefined, need it as the shared library beside the compiler.
  add_link_options(-shared-libasan)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
                  OUTPUT_VARIABLE _orla_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(_orla_asan_dir "${_orla_asan_runtime}" DIRECTORY)
  list(APPEND CMAKE_BUILD_RPATH "${_orla_asan_dir}")
endif()
if(ORLA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORLA_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# orla_dll(target FILE name.dll): a shared object that carries its Windows file name and exports
# only what is marked DLLEXPORT.
function(orla_dll target file)
  get_filename_component(base ${file} NAME_WE)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${base} PREFIX "" SUFFIX ".dll"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
endfunction()

# orla_variant_library(name SOURCES ... [LIBS ...]): the same sources as two static libraries,
# name_ja (Japanese build) and name_en (English build), told apart by ORLA_JAPANESE.
function(orla_variant_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  foreach(variant ja en)
    if(variant STREQUAL "ja")
      set(flag 1)
    else()
      set(flag 0)
    endif()
    add_library(${name}_${variant} STATIC ${ARG_SOURCES})
    target_compile_definitions(${name}_${variant} PUBLIC ORLA_JAPANESE=${flag})
    target_include_directories(${name}_${variant} PUBLIC ${PROJECT_SOURCE_DIR} ${ARG_INCLUDES})
    set_target_properties(${name}_${variant} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    if(ARG_LIBS)
      target_link_libraries(${name}_${variant} PUBLIC ${ARG_LIBS})
    endif()
  endforeach()
endfunction()

# orla_test(name SOURCES ... LIBS ... [DEPENDS modules...] [THREADS]): a GoogleTest program run by
# ctest. DEPENDS names modules the test loads at run time (DLLs), so they are built first.
# THREADS marks tests that CI runs again under ThreadSanitizer.
function(orla_test name)
  cmake_parse_arguments(ARG "THREADS" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  # Test code is compiled for debugging rather than speed: it builds in about 40 % less time, and
  # what it tests (the DLLs, the platform, the tools' libraries) keeps the tree's optimisation.
  target_compile_options(${name} PRIVATE $<$<CONFIG:Release,RelWithDebInfo>:-Og>)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT "ORLA_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORLA_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  if(ARG_THREADS)
    set_tests_properties(${name} PROPERTIES LABELS threads)
    set_property(GLOBAL APPEND PROPERTY ORLA_THREAD_TEST_TARGETS ${name})
  endif()
endfunction()

# orla_fuzz(name SOURCES ... LIBS ... CORPUS dir): a libFuzzer target, built with ORLA_FUZZ.
set_property(GLOBAL PROPERTY ORLA_FUZZ_TARGETS "")
function(orla_fuzz name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT ORLA_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  get_filename_component(corpus "${ARG_CORPUS}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY ORLA_FUZZ_TARGETS "${name}=${corpus}")
endfunction()

# orla_bench(name SOURCES ... LIBS ...): a Google Benchmark program (never run by ctest).
function(orla_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ORLA_BENCH OR ORLA_FUZZ)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
endfunction()

# Adds every immediate subfolder that has a CMakeLists.txt, so each area owns its own list.
macro(orla_add_subdirectories)
  file(GLOB _orla_children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _orla_children)
  foreach(_child ${_orla_children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
      add_subdirectory(${_child})
    endif()
  endforeach()
endmacro()
