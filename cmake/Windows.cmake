# Windows build: the 32-bit engine, its language DLL, the package builder, and the tests that
# run under Wine. The native tests of the other build are registered here too, so that one
# ctest run covers every layer.
enable_language(RC)
enable_testing()

set(PENDRIX_BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PENDRIX_BIN})

set(PENDRIX_WARNINGS -Wall -Wextra -Werror -Wno-cast-function-type)
# Without exceptions nothing unwinds, so no unwind tables; each function and datum in a section of
# its own, so that the linker drops what no one calls. The programs are optimised as a whole at
# the link (one partition: the smallest code); the objects also carry ordinary code, which is what
# the tests, built with exceptions, link.
set(PENDRIX_LTO_FLAGS -flto -flto-partition=one)
set(PENDRIX_CXX_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -ffunction-sections
    -fdata-sections ${PENDRIX_LTO_FLAGS} -ffat-lto-objects ${PENDRIX_WARNINGS})
# Statically linked: the programs need no DLL beyond those of Windows itself. Loaded at an address
# of Windows' choosing (their relocations kept), with data that never runs, and aware of Remote
# Desktop hosts, where a program that is not sees a Windows folder of the user's own;
# cmake/CheckHeaders.cmake holds every shipped program to it.
set(PENDRIX_LINK_FLAGS -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -Os ${PENDRIX_LTO_FLAGS}
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware -Wl,--enable-reloc-section)

# Every shipped program is checked for them as it is linked: the build fails without them.
function(pendrix_check_headers target)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAMS=$<TARGET_FILE:${target}>
                             -P ${CMAKE_SOURCE_DIR}/cmake/CheckHeaders.cmake
                     VERBATIM)
endfunction()

file(GLOB_RECURSE ENGINE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
# The entry and the exception-free runtime belong to the programs, not to the library the
# tests link (they are built with exceptions).
set(PENDRIX_NO_EXCEPTIONS_RUNTIME ${CMAKE_SOURCE_DIR}/src/core/NoExceptionsRuntime.cpp)
# The engine's programs start in an entry of their own, in place of the C runtime's start-up.
set(PENDRIX_PROCESS_START ${CMAKE_SOURCE_DIR}/src/core/ProcessStart.cpp)
set(PENDRIX_OWN_START -nostartfiles -Wl,-e,_PendrixStart)
list(REMOVE_ITEM ENGINE_SOURCES ${CMAKE_SOURCE_DIR}/src/core/WinMain.cpp ${PENDRIX_NO_EXCEPTIONS_RUNTIME}
     ${PENDRIX_PROCESS_START})
add_library(pendrix_engine STATIC ${ENGINE_SOURCES})
target_include_directories(pendrix_engine PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pendrix_engine PRIVATE ${PENDRIX_CXX_FLAGS})
target_compile_definitions(pendrix_engine PUBLIC WINVER=0x0601 _WIN32_WINNT=0x0601)
# DLLs that are not among Windows' known DLLs are delay-loaded from the system folder, for every
# program that links the engine (cmake/DelayLoad.cmake says why and how).
include(${CMAKE_SOURCE_DIR}/cmake/DelayLoad.cmake)
pendrix_delay_import_libraries(PENDRIX_DELAY_LOADED winmm msi comctl32 version netapi32)
target_compile_definitions(pendrix_engine PUBLIC DECLSPEC_IMPORT=)
target_link_libraries(pendrix_engine PUBLIC shlwapi ${PENDRIX_DELAY_LOADED} advapi32 shell32 user32 gdi32)

foreach(part IN ITEMS tools/cleanup src/ui/language src/package tools/pack examples tests)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${part}/CMakeLists.txt)
    add_subdirectory(${part})
  endif()
endforeach()

# The engine itself; its resource script lives in src/package when there is one.
set(PENDRIX_RC ${CMAKE_SOURCE_DIR}/src/package/Pendrix.rc)
set(PENDRIX_PROGRAM_SOURCES ${CMAKE_SOURCE_DIR}/src/core/WinMain.cpp ${PENDRIX_PROCESS_START}
    ${PENDRIX_NO_EXCEPTIONS_RUNTIME})
if(EXISTS ${PENDRIX_RC})
  list(APPEND PENDRIX_PROGRAM_SOURCES ${PENDRIX_RC})
endif()
add_executable(Pendrix WIN32 ${PENDRIX_PROGRAM_SOURCES})
target_compile_options(Pendrix PRIVATE ${PENDRIX_CXX_FLAGS})
target_link_options(Pendrix PRIVATE ${PENDRIX_LINK_FLAGS} ${PENDRIX_OWN_START})
target_link_libraries(Pendrix PRIVATE pendrix_engine)
pendrix_check_headers(Pendrix)
if(COMMAND pendrix_package_resources)
  pendrix_package_resources(Pendrix)
endif()
