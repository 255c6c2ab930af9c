# Fails when a program statically imports a DLL that is not one of Windows' known DLLs: Windows
# resolves such an import before the program runs, and may take it from the program's folder.
# Such a DLL belongs on the delay-load list of cmake/Windows.cmake.
# Usage: cmake -DOBJDUMP=<objdump> -DPROGRAMS=<file>,<file> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.20)
set(known advapi32.dll comdlg32.dll gdi32.dll imagehlp.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
          psapi.dll rpcrt4.dll setupapi.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)
string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")
set(failures)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST known)
      list(APPEND failures "${program} imports ${dll}")
    endif()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Static imports of DLLs that are not known DLLs:\n${text}")
endif()
message(STATUS "Only known DLLs are imported statically by: ${PROGRAMS}")
