# The real 64-bit Sonabrix.exe as a process under wine64, beside openbox on a desktop of its
# own, in the prefixes that tests/window/win32 makes (one a DPI, made once a test run). Each
# run leaves a screenshot in the build folder, for a look at the window at that DPI.

set(wine_exe "${SONABRIX_WINDOWS_BUILD_ROOT}/windows-x86_64/Sonabrix.exe")
set(wine_screenshots "${CMAKE_BINARY_DIR}/screenshots")
foreach(dpi IN ITEMS 96 144)
  # A folder of its own to start in, so that the check for written files sees only this run's.
  set(start_folder "${CMAKE_CURRENT_BINARY_DIR}/wine_exe_${dpi}")
  file(MAKE_DIRECTORY "${start_folder}")
  add_test(NAME wine_exe_${dpi} WORKING_DIRECTORY "${start_folder}"
    COMMAND "${PROJECT_SOURCE_DIR}/tests/support/with-desktop.sh"
            "${CMAKE_CURRENT_LIST_DIR}/wine_exe_test.sh" "${SONABRIX_WINE_PREFIXES}/prefix-${dpi}"
            "${wine_exe}" "${wine_screenshots}/sonabrix-win64-${dpi}dpi.png")
  set_tests_properties(wine_exe_${dpi} PROPERTIES
    FIXTURES_REQUIRED wine_prefix_${dpi} RESOURCE_LOCK wine_prefix_${dpi} TIMEOUT 180)
endforeach()
