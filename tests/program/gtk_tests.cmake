# The GTK program as a whole process beside openbox, and the tree that `cmake --install` makes.
if(NOT TARGET sonabrix)
  return()
endif()

set(gtk_with_desktop "${PROJECT_SOURCE_DIR}/tests/support/with-desktop.sh")
set(gtk_test_environment "GDK_SCALE=1" "GDK_DPI_SCALE=1" "NO_AT_BRIDGE=1")

add_executable(gtk_sonabrix_stacking "${CMAKE_CURRENT_LIST_DIR}/gtk_stacking_main.cpp")
target_link_libraries(gtk_sonabrix_stacking PRIVATE window_gtk program_icon)
sonabrix_warnings(gtk_sonabrix_stacking)

# Leaves gtk_sonabrix.png, the window after 3D was typed, beside the test's other output.
add_test(NAME gtk_sonabrix
  COMMAND "${gtk_with_desktop}" bash "${CMAKE_CURRENT_LIST_DIR}/gtk_sonabrix_test.sh"
          $<TARGET_FILE:sonabrix> $<TARGET_FILE:gtk_sonabrix_stacking>
          "${CMAKE_CURRENT_BINARY_DIR}")
set_tests_properties(gtk_sonabrix PROPERTIES ENVIRONMENT "${gtk_test_environment}")

add_test(NAME install_tree
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/install_test.sh" "${CMAKE_BINARY_DIR}"
          "${CMAKE_CURRENT_BINARY_DIR}/installed" "${PROJECT_VERSION}")

# The Debian package made from the same install rules. CPack first brings the build up to date,
# which would pull files from under the tests running beside it, so it runs alone.
add_test(NAME install_deb
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/install_deb_test.sh" "${CMAKE_BINARY_DIR}"
          "${CMAKE_CURRENT_BINARY_DIR}/deb")
set_tests_properties(install_deb PROPERTIES RUN_SERIAL TRUE)

# Under Wayland alone, in a headless weston of the test's own.
add_test(NAME gtk_sonabrix_wayland
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/gtk_wayland_test.sh" $<TARGET_FILE:sonabrix>)
set_tests_properties(gtk_sonabrix_wayland PROPERTIES SKIP_RETURN_CODE 77)
