# The program icon's tests, for include() from the tests' CMakeLists once program/icon is added.
# They run draw_icon and export_png, so they exist only in a native build.
if(CMAKE_CROSSCOMPILING)
  return()
endif()

find_package(PNG REQUIRED)
get_filename_component(icon_committed_ico
  "${CMAKE_CURRENT_LIST_DIR}/../../program/icon/sonabrix.ico" ABSOLUTE)

function(sonabrix_icon_test_executable name icon_library)
  add_executable(${name} "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/icon_test.cpp")
  target_link_libraries(${name} PRIVATE ${icon_library} PNG::PNG GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    SONABRIX_DRAW_ICON="$<TARGET_FILE:draw_icon>"
    SONABRIX_EXPORT_PNG="$<TARGET_FILE:export_png>"
    SONABRIX_ICON_ICO="${icon_committed_ico}")
  add_dependencies(${name} draw_icon export_png)
  sonabrix_warnings(${name})
endfunction()

sonabrix_icon_test_executable(icon_tests icon_file)
add_test(NAME icon COMMAND icon_tests)

# The reader again with AddressSanitizer and UndefinedBehaviorSanitizer, for the broken files.
get_target_property(icon_file_sources icon_file SOURCES)
get_target_property(icon_file_folder icon_file SOURCE_DIR)
list(TRANSFORM icon_file_sources PREPEND "${icon_file_folder}/")
add_library(icon_file_sanitized STATIC ${icon_file_sources})
target_include_directories(icon_file_sanitized PUBLIC
  $<TARGET_PROPERTY:icon_file,INTERFACE_INCLUDE_DIRECTORIES>)
sonabrix_sanitize(icon_file_sanitized)
sonabrix_warnings(icon_file_sanitized)
sonabrix_icon_test_executable(icon_tests_sanitized icon_file_sanitized)
sonabrix_add_sanitized_test(icon_sanitized icon_tests_sanitized)
