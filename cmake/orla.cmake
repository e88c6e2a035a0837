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

if(ORLA_SANITIZE OR ORLA_FUZZ)
  # A sanitizer report needs each frame's function, file and line, not local variables: line
  # tables only (-g1) compile in much less time than full debug information.
  add_compile_options($<$<CONFIG:RelWithDebInfo,Debug>:-g1>)
endif()
if(ORLA_SANITIZE)
  # Optimised a little, as AddressSanitizer is meant to run: its checks and reports stay whole,
  # and the sanitizer tests and fuzz targets run about twice as fast as unoptimised code.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORLA_TSAN)
  # A race report needs each frame's function, file and line, not local variables: line tables
  # only (-g1) compile in much less time than full debug information.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer $<$<CONFIG:RelWithDebInfo,Debug>:-g1>)
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

# Product libraries (platform, core, render, interface DLL, resources, stand-ins, tools) compile in
# unity batches as the test programs do: a batch parses the platform's Windows headers and the
# standard library once for several files. The root CMakeLists turns it on per folder through
# CMAKE_UNITY_BUILD; a file that clashes with another in a batch is listed by its folder with
# orla_unity_skip.
option(ORLA_UNITY "Compile the product libraries in unity batches" ON)
set(ORLA_UNITY_BATCH 6 CACHE STRING "Product files per unity batch")

# orla_unity_skip(files...): files of the current folder that stay out of its unity batches
# (same name at file scope as another file of the folder, a file-wide using or macro).
function(orla_unity_skip)
  if(ARGN)
    set_source_files_properties(${ARGN} DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
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

# Test programs compile in unity batches (one translation unit per few test files), which halves
# their compile time: each batch parses GoogleTest, the platform headers and the fixtures once.
# A file that clashes with another in a batch (same name at file scope) is listed in UNITY_SKIP.
option(ORLA_TEST_UNITY "Compile test programs in unity batches" ON)
set(ORLA_TEST_UNITY_BATCH 6 CACHE STRING "Test files per unity batch")
# The precompiled header of the test programs (GoogleTest, gmock, the platform's Windows headers),
# made once per tree by orla_test_pch and reused by every test program. clang loads it lazily and
# saves about a quarter of a test file's time; gcc's is a 110 MB image whose loading costs what it
# saves inside unity batches, so gcc trees go without unless asked.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(_orla_pch_default ON)
else()
  set(_orla_pch_default OFF)
endif()
option(ORLA_TEST_PCH "Precompiled header for the test programs" ${_orla_pch_default})

# Options every test program compiles with; the precompiled header is made with the same.
function(_orla_test_compile_setup target)
  # Test code is compiled for debugging rather than speed: it builds in about 40 % less time, and
  # what it tests (the DLLs, the platform, the tools' libraries) keeps the tree's optimisation.
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo>:-Og>)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock Threads::Threads)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests
                             ${PROJECT_SOURCE_DIR}/platform/include)
  if(ORLA_TEST_PCH AND NOT target STREQUAL "orla_test_pch")
    target_precompile_headers(${target} REUSE_FROM orla_test_pch)
  endif()
  if(ORLA_TEST_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE BATCH
                          UNITY_BUILD_BATCH_SIZE ${ORLA_TEST_UNITY_BATCH})
    # gcc takes a test file inside a batch for a header and warns of its file-local fixtures.
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
endfunction()

# The owner of the shared precompiled header: an empty program, never run. It carries
# no definitions of its own, so every test program (whatever it defines) can load the header.
if(ORLA_TEST_PCH)
  add_executable(orla_test_pch ${PROJECT_SOURCE_DIR}/tests/support/pch_owner.cpp)
  _orla_test_compile_setup(orla_test_pch)
  target_precompile_headers(orla_test_pch PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/test_headers.h)
endif()

# The main of the test programs (tests/support/test_main.cpp): persisted state unsynced.
add_library(orla_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
target_link_libraries(orla_test_main PUBLIC GTest::gtest winplat)
target_include_directories(orla_test_main PRIVATE ${PROJECT_SOURCE_DIR}/platform/include)

# Files of a test program that must stay out of its unity batches.
function(_orla_unity_skip)
  if(ARGN)
    set_source_files_properties(${ARGN} DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
endfunction()

# Registers a built program as a ctest test with the tree's folders in its environment. A
# program of many slow cases (most of their time spent waiting on sockets and the printer
# simulator) runs as `shards` tests, each a GoogleTest shard, so ctest runs them side by side.
function(_orla_register_test name threads shards)
  set(environment "ORLA_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORLA_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  set(tests)
  if(shards GREATER 1)
    math(EXPR last "${shards} - 1")
    foreach(index RANGE ${last})
      math(EXPR number "${index} + 1")
      set(test ${name}_${number}of${shards})
      add_test(NAME ${test} COMMAND ${name})
      set_tests_properties(${test} PROPERTIES ENVIRONMENT
                           "${environment};GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
      list(APPEND tests ${test})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
    set(tests ${name})
  endif()
  set_tests_properties(${tests} PROPERTIES TIMEOUT 300)
  if(threads)
    set_tests_properties(${tests} PROPERTIES LABELS threads)
    set_property(GLOBAL APPEND PROPERTY ORLA_THREAD_TEST_TARGETS ${name})
  endif()
endfunction()

# The sources a test program compiles in this tree: in the ThreadSanitizer tree, a program that
# names THREAD_SOURCES (the files whose tests start threads or wait on them) is made of those alone,
# since the rest of its cases run no thread of their own and are checked in the other two trees.
function(_orla_tree_sources out sources thread_sources)
  if(ORLA_TSAN AND thread_sources)
    set(${out} ${thread_sources} PARENT_SCOPE)
  else()
    set(${out} ${sources} PARENT_SCOPE)
  endif()
endfunction()

# orla_test(name SOURCES ... LIBS ... [DEPENDS modules...] [DEFINITIONS ...] [UNITY_SKIP files...]
# [SHARDS n] [THREADS [THREAD_SOURCES files...]] [DURABLE]): a GoogleTest program run by ctest (as n shards with SHARDS). DEPENDS names modules the test loads at
# run time (DLLs), so they are built first. THREADS marks tests that CI runs again under
# ThreadSanitizer, THREAD_SOURCES the files of them it runs there. DURABLE keeps the platform's
# synced writes (the platform's own tests).
function(orla_test name)
  cmake_parse_arguments(ARG "THREADS;DURABLE" "SHARDS" "SOURCES;LIBS;DEPENDS;DEFINITIONS;UNITY_SKIP;THREAD_SOURCES" ${ARGN})
  _orla_tree_sources(sources "${ARG_SOURCES}" "${ARG_THREAD_SOURCES}")
  add_executable(${name} ${sources})
  _orla_test_compile_setup(${name})
  if(ARG_DURABLE)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} orla_test_main)
  endif()
  if(ARG_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  endif()
  _orla_unity_skip(${ARG_UNITY_SKIP})
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  _orla_register_test(${name} "${ARG_THREADS}" "${ARG_SHARDS}")
endfunction()

# _orla_reaches_variant(file out): TRUE when the file, or a project header it includes (directly or
# further down), names ORLA_JAPANESE, so that its code differs between the two language builds.
# Every file looked at becomes a configure dependency: a header that starts to include the build
# variant moves its tests back to one compile per build on the next build.
function(_orla_reaches_variant file out)
  get_property(known GLOBAL PROPERTY "ORLA_VARIANT_SCAN:${file}" SET)
  if(known)
    get_property(result GLOBAL PROPERTY "ORLA_VARIANT_SCAN:${file}")
    set(${out} ${result} PARENT_SCOPE)
    return()
  endif()
  # Marked first so that headers including each other end the walk.
  set_property(GLOBAL PROPERTY "ORLA_VARIANT_SCAN:${file}" FALSE)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(STRINGS ${file} lines REGEX "ORLA_JAPANESE|^[ \t]*#[ \t]*include[ \t]*[\"<]")
  get_filename_component(dir ${file} DIRECTORY)
  set(result FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "ORLA_JAPANESE")
      set(result TRUE)
      break()
    endif()
    if(NOT line MATCHES "#[ \t]*include[ \t]*[\"<]([^\">]+)[\">]")
      continue()
    endif()
    set(name ${CMAKE_MATCH_1})
    foreach(base ${dir} ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/platform/include)
      if(EXISTS ${base}/${name} AND NOT IS_DIRECTORY ${base}/${name})
        get_filename_component(path ${base}/${name} REALPATH)
        _orla_reaches_variant(${path} sub)
        if(sub)
          set(result TRUE)
        endif()
        break()
      endif()
    endforeach()
    if(result)
      break()
    endif()
  endforeach()
  set_property(GLOBAL PROPERTY "ORLA_VARIANT_SCAN:${file}" ${result})
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# orla_variant_test(stem SOURCES ... VARIANT_LIBS ... [LIBS ...] [DEPENDS ...] [DEFINITIONS ...]
# [UNITY_SKIP files...] [SHARDS n] [THREADS [THREAD_SOURCES files...]]): one test program per language build, stem_ja and stem_en,
# each linking VARIANT_LIBS with that build's suffix (_ja, _en) and LIBS as they are. A source
# whose code does not depend on the build (it reaches no ORLA_JAPANESE) is compiled once, into
# stem_shared, without ORLA_JAPANESE: should it reach the build variant after all, the variant
# header stops its compile instead of linking one build's code into the other.
function(orla_variant_test stem)
  cmake_parse_arguments(ARG "THREADS" "SHARDS" "SOURCES;VARIANT_LIBS;LIBS;DEPENDS;DEFINITIONS;UNITY_SKIP;THREAD_SOURCES"
                        ${ARGN})
  _orla_tree_sources(sources "${ARG_SOURCES}" "${ARG_THREAD_SOURCES}")
  set(shared_sources "")
  set(variant_sources "")
  foreach(source ${sources})
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    _orla_reaches_variant(${path} reaches)
    if(reaches)
      list(APPEND variant_sources ${path})
    else()
      list(APPEND shared_sources ${path})
    endif()
  endforeach()
  _orla_unity_skip(${ARG_UNITY_SKIP})
  if(shared_sources)
    add_library(${stem}_shared OBJECT ${shared_sources})
    _orla_test_compile_setup(${stem}_shared)
    # Object libraries are position-independent code; the programs they join are not libraries.
    set_target_properties(${stem}_shared PROPERTIES POSITION_INDEPENDENT_CODE OFF)
    target_compile_options(${stem}_shared PRIVATE -fPIE)
    target_link_libraries(${stem}_shared PRIVATE winplat ${ARG_LIBS})
    if(ARG_DEFINITIONS)
      target_compile_definitions(${stem}_shared PRIVATE ${ARG_DEFINITIONS})
    endif()
  endif()
  foreach(variant ja en)
    set(libs ${ARG_LIBS})
    foreach(lib ${ARG_VARIANT_LIBS})
      list(APPEND libs ${lib}_${variant})
    endforeach()
    set(name ${stem}_${variant})
    add_executable(${name} ${variant_sources})
    if(shared_sources)
      target_sources(${name} PRIVATE $<TARGET_OBJECTS:${stem}_shared>)
    endif()
    _orla_test_compile_setup(${name})
    target_link_libraries(${name} PRIVATE ${libs} orla_test_main)
    if(ARG_DEFINITIONS)
      target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
    endif()
    if(ARG_DEPENDS)
      add_dependencies(${name} ${ARG_DEPENDS})
    endif()
    _orla_register_test(${name} "${ARG_THREADS}" "${ARG_SHARDS}")
  endforeach()
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
