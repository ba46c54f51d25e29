# Fails unless every DLL that the given programs import comes with Windows
# itself: the programs carry their C++ runtime linked in.
#
#   cmake -DOBJDUMP=<objdump> -DPROGRAMS=<a.exe>,<b.exe> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.25)

# comctl32: the studio's list views; ole32 and winmm: PortAudio's WASAPI and
# MME, for tavro-tape-cli --record.
set(system_dlls advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
                shell32.dll user32.dll version.dll winmm.dll)
string(REPLACE "," ";" programs "${PROGRAMS}")
set(foreign "")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${program} failed")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  set(dlls "")
  foreach(line IN LISTS lines)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    list(APPEND dlls ${dll})
    if(NOT dll IN_LIST system_dlls)
      list(APPEND foreign "${dll} (${program})")
    endif()
  endforeach()
  if(NOT dlls)
    message(FATAL_ERROR "no imports found in ${program}")
  endif()
  get_filename_component(name ${program} NAME)
  list(JOIN dlls ", " dll_list)
  message("${name} imports ${dll_list}")
endforeach()
if(foreign)
  message(FATAL_ERROR "not part of Windows: ${foreign}")
endif()
message("imports: system DLLs only")
