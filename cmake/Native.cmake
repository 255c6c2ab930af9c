# Native build: the portable rules under AddressSanitizer and UndefinedBehaviorSanitizer, their
# table-driven tests, and a libFuzzer target for each parser.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g -O1 -Wall -Wextra -Werror ${SANITIZE})
add_link_options(${SANITIZE})

add_library(pendrix_portable STATIC ${PENDRIX_PORTABLE_SOURCES})
target_include_directories(pendrix_portable PUBLIC ${CMAKE_SOURCE_DIR}/src)
# With clang the rules carry the fuzzer's coverage counters, so the fuzz targets are guided.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(pendrix_portable PRIVATE -fsanitize=fuzzer-no-link)
endif()

add_library(doctest_native INTERFACE)
target_include_directories(doctest_native INTERFACE /usr/include/doctest)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
add_executable(native_tests ${CMAKE_SOURCE_DIR}/tests/native/main.cpp ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE pendrix_portable doctest_native)
# The Settings.ini reference in docs/ is checked against the tables it is written from.
target_compile_definitions(native_tests PRIVATE PENDRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# Fuzz targets need clang's libFuzzer.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/fuzz/*_fuzz.cpp)
  foreach(source ${FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE pendrix_portable)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
