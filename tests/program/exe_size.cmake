# exe_size_i686: the shipped 32-bit Sonabrix.exe stays under 600,000 bytes, of which the icon's
# images take about 400,000. Include this file from the native build; the test runs this same
# file as a script on the exe:
#
#   cmake -DEXE=path/to/Sonabrix.exe -DLIMIT=600000 -P exe_size.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT EXISTS "${EXE}")
    message(FATAL_ERROR "${EXE} is missing: build the windows-i686 preset first")
  endif()
  file(SIZE "${EXE}" size)
  if(size GREATER_EQUAL LIMIT)
    message(FATAL_ERROR "${EXE} is ${size} bytes, not under ${LIMIT}")
  endif()
  message(STATUS "${EXE} is ${size} bytes, under ${LIMIT}")
  return()
endif()

add_test(NAME exe_size_i686
  COMMAND "${CMAKE_COMMAND}" "-DEXE=${SONABRIX_WINDOWS_BUILD_ROOT}/windows-i686/Sonabrix.exe"
          -DLIMIT=600000 -P "${CMAKE_CURRENT_LIST_FILE}")
