# pe_image_tests: checks of the Windows program's image (machine, subsystem, imports, icon,
# version record, manifest), read as a file on the build host, since a 32-bit Windows program
# cannot run here; and tests of the reader itself. Include this file from a native build:
#
#   SONABRIX_PE_CHECKS  pairs of program and machine (i386 or amd64), one test for each pair:
#                       "${PROJECT_SOURCE_DIR}/build/windows-i686/Sonabrix.exe;i386"
#   SONABRIX_ICON_FILE  the .ico file whose images the program must carry; by default
#                       SONABRIX_ICON_ICO where that is set, else program/icon/sonabrix.ico
#
# The reader is tested against two small programs built here with MinGW, where its compilers are
# found; the programs named in SONABRIX_PE_CHECKS come from builds of their own.

if(CMAKE_CROSSCOMPILING)
  return()
endif()

if(NOT TARGET GTest::gtest)
  find_package(GTest REQUIRED)
endif()

cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH pe_image_tests_dir)
cmake_path(GET pe_image_tests_dir PARENT_PATH pe_image_root)
set(pe_image_sources
  "${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/pe_image_test.cpp")

add_executable(pe_image_tests ${pe_image_sources})
target_include_directories(pe_image_tests PRIVATE "${pe_image_root}")
target_link_libraries(pe_image_tests PRIVATE GTest::gtest)
sonabrix_warnings(pe_image_tests)

# Damaged input must be refused, never read out of bounds: the reader's tests run again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
add_executable(pe_image_tests_sanitized ${pe_image_sources})
target_include_directories(pe_image_tests_sanitized PRIVATE "${pe_image_root}")
sonabrix_sanitize(pe_image_tests_sanitized)
target_link_libraries(pe_image_tests_sanitized PRIVATE GTest::gtest)
sonabrix_warnings(pe_image_tests_sanitized)

# The fixture: a console program (so that its subsystem differs from the product's) linked
# without NX_COMPAT, carrying numbered and named resources of known content, a version record
# in German (0x0407) and a manifest.
set(pe_fixture_dir "${CMAKE_CURRENT_BINARY_DIR}/pe_image_fixture")
file(CONFIGURE OUTPUT "${pe_fixture_dir}/fixture.cpp" CONTENT [=[
#include <windows.h>

int main() { return MessageBeep(MB_OK) ? 0 : 1; }
]=])
file(CONFIGURE OUTPUT "${pe_fixture_dir}/fixture.manifest" CONTENT [=[
<?xml version="1.0"?>
<assembly/>
]=])
file(CONFIGURE OUTPUT "${pe_fixture_dir}/fixture.rc" CONTENT [=[
LANGUAGE 0x07, 0x01
1 VERSIONINFO
FILEVERSION 2, 3, 4, 5
PRODUCTVERSION 6, 7, 8, 9
FILEFLAGSMASK 0x3F
FILEFLAGS 0x2
FILEOS 0x40004
FILETYPE 2
FILESUBTYPE 0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040704B0"
    BEGIN
      VALUE "FileDescription", "Fixture"
      VALUE "Empty", ""
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0407, 1200
  END
END

LANGUAGE 0, 0
7 RCDATA BEGIN "seven" END
NAMED RCDATA BEGIN 0x0201, 0x0403 END
5 FIXTUREDATA BEGIN "five" END
1 24 "fixture.manifest"
]=])

set(pe_fixture_outputs)
set(pe_fixture_arguments)
foreach(pe_fixture IN ITEMS "i686;i386;" "x86_64;amd64;-Wl,--high-entropy-va")
  list(GET pe_fixture 0 pe_fixture_arch)
  list(GET pe_fixture 1 pe_fixture_machine)
  list(GET pe_fixture 2 pe_fixture_flags)
  find_program(SONABRIX_MINGW_${pe_fixture_arch}_CXX
    NAMES ${pe_fixture_arch}-w64-mingw32-g++-posix ${pe_fixture_arch}-w64-mingw32-g++)
  find_program(SONABRIX_MINGW_${pe_fixture_arch}_WINDRES NAMES ${pe_fixture_arch}-w64-mingw32-windres)
  if(NOT SONABRIX_MINGW_${pe_fixture_arch}_CXX OR NOT SONABRIX_MINGW_${pe_fixture_arch}_WINDRES)
    message(STATUS "pe_image_tests: no ${pe_fixture_arch} MinGW compiler, no ${pe_fixture_machine} fixture")
    continue()
  endif()
  set(pe_fixture_exe "${pe_fixture_dir}/fixture_${pe_fixture_arch}.exe")
  add_custom_command(OUTPUT "${pe_fixture_exe}"
    COMMAND "${SONABRIX_MINGW_${pe_fixture_arch}_WINDRES}" fixture.rc -O coff
            -o "fixture_${pe_fixture_arch}.res.o"
    COMMAND "${SONABRIX_MINGW_${pe_fixture_arch}_CXX}" -O1 -s -static -mconsole fixture.cpp
            "fixture_${pe_fixture_arch}.res.o" -o "${pe_fixture_exe}"
            -Wl,--dynamicbase,--disable-nxcompat ${pe_fixture_flags}
    DEPENDS "${pe_fixture_dir}/fixture.cpp" "${pe_fixture_dir}/fixture.rc"
            "${pe_fixture_dir}/fixture.manifest"
    WORKING_DIRECTORY "${pe_fixture_dir}"
    COMMENT "Building the PE reader's ${pe_fixture_machine} fixture"
    VERBATIM)
  list(APPEND pe_fixture_outputs "${pe_fixture_exe}")
  list(APPEND pe_fixture_arguments "--fixture-${pe_fixture_machine}=${pe_fixture_exe}")
endforeach()

# Without a fixture only the tests that build their own input can run.
set(pe_reader_filter "VersionBlocks.*")
if(pe_fixture_outputs)
  add_custom_target(pe_image_fixtures ALL DEPENDS ${pe_fixture_outputs})
  add_dependencies(pe_image_tests pe_image_fixtures)
  set(pe_reader_filter "PeReader*:VersionBlocks.*")
endif()
add_test(NAME pe_image_reader
  COMMAND pe_image_tests "--gtest_filter=${pe_reader_filter}" ${pe_fixture_arguments})
sonabrix_add_sanitized_test(pe_image_reader_sanitized
  pe_image_tests_sanitized "--gtest_filter=${pe_reader_filter}" ${pe_fixture_arguments})

if(NOT DEFINED SONABRIX_ICON_FILE)
  if(DEFINED SONABRIX_ICON_ICO)
    set(SONABRIX_ICON_FILE "${SONABRIX_ICON_ICO}")
  else()
    set(SONABRIX_ICON_FILE "${pe_image_root}/program/icon/sonabrix.ico")
  endif()
endif()
list(LENGTH SONABRIX_PE_CHECKS pe_check_length)
math(EXPR pe_check_odd "${pe_check_length} % 2")
if(pe_check_odd)
  message(FATAL_ERROR "SONABRIX_PE_CHECKS holds pairs of program and machine, not "
                      "\"${SONABRIX_PE_CHECKS}\"")
endif()
if(pe_check_length GREATER 0)
  math(EXPR pe_check_last "${pe_check_length} - 1")
  foreach(pe_check_index RANGE 0 ${pe_check_last} 2)
    math(EXPR pe_check_machine_index "${pe_check_index} + 1")
    list(GET SONABRIX_PE_CHECKS ${pe_check_index} pe_check_exe)
    list(GET SONABRIX_PE_CHECKS ${pe_check_machine_index} pe_check_machine)
    if(NOT pe_check_machine MATCHES "^(i386|amd64)$")
      message(FATAL_ERROR "SONABRIX_PE_CHECKS: machine of ${pe_check_exe} is "
                          "\"${pe_check_machine}\", not i386 or amd64")
    endif()
    set(pe_check_name "pe_image_${pe_check_machine}")
    if(TEST "${pe_check_name}")
      set(pe_check_name "${pe_check_name}_${pe_check_index}")
    endif()
    add_test(NAME "${pe_check_name}"
      COMMAND pe_image_tests "--gtest_filter=ProgramImage.*:ProgramVersion.*"
              "--exe=${pe_check_exe}" "--machine=${pe_check_machine}"
              "--icon=${SONABRIX_ICON_FILE}")
  endforeach()
endif()
