# DLLs that are not among Windows' known DLLs are never imported statically: Windows resolves a
# static import before the program runs, looking in the program's own folder first, so a file of
# that name beside a downloaded package would be loaded. They are delay-loaded instead: the
# first call of any of their functions loads the DLL through src/core/SystemFolder.cpp, after the
# program has restricted the DLL search to the system folder.
#
# pendrix_delay_import_libraries(<out variable> <dll name> ...) builds, once per build tree, an
# import library that delay-loads every function of each DLL (from the toolchain's own import
# library) and returns their paths, to be linked in place of the ordinary ones.
#
# Calls must go through each function's thunk, not through its import pointer (GNU ld leaves the
# pointers of a delay-load library empty when code takes them directly), so everything linked
# with these libraries is compiled without dllimport: DECLSPEC_IMPORT is defined empty.
find_program(PENDRIX_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)
find_program(PENDRIX_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm REQUIRED)

function(pendrix_delay_import_libraries out)
  set(libraries)
  set(folder ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${folder})
  foreach(dll IN LISTS ARGN)
    find_library(PENDRIX_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED)
    set(import ${PENDRIX_IMPORT_LIB_${dll}})
    set(delay ${folder}/lib${dll}_delay.a)
    if(NOT EXISTS ${delay} OR ${import} IS_NEWER_THAN ${delay})
      # The DLL's name as the import library records it, and every function it exports.
      execute_process(COMMAND ${PENDRIX_DLLTOOL} --identify ${import}
                      OUTPUT_VARIABLE dll_name OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
      execute_process(COMMAND ${PENDRIX_NM} ${import} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      string(REGEX MATCHALL "[0-9a-fA-F]+ T _[^\r\n]+" functions "${symbols}")
      list(REMOVE_DUPLICATES functions)
      set(def "LIBRARY ${dll_name}\nEXPORTS\n")
      foreach(function IN LISTS functions)
        string(REGEX REPLACE "^[0-9a-fA-F]+ T _" "" function "${function}")
        string(APPEND def "${function}\n")
      endforeach()
      file(WRITE ${folder}/${dll}.def "${def}")
      # --kill-at: the import names lose their @n, the symbols keep them for the stdcall callers.
      execute_process(COMMAND ${PENDRIX_DLLTOOL} --input-def ${folder}/${dll}.def --kill-at
                              --output-delaylib ${delay}
                      WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
    endif()
    list(APPEND libraries ${delay})
  endforeach()
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()
