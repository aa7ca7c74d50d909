# AddressSanitizer and UndefinedBehaviorSanitizer builds of the code that reads untrusted bytes:
# typed text, icon files, exe files. Any finding ends the run.
set(SONABRIX_SANITIZE_FLAGS
  -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# Builds `target` and everything that links it with the sanitizers.
function(sonabrix_sanitize target)
  target_compile_options(${target} PUBLIC ${SONABRIX_SANITIZE_FLAGS})
  target_link_options(${target} PUBLIC ${SONABRIX_SANITIZE_FLAGS})
endfunction()

# add_test() for a sanitized executable, with leak checks on and stack traces in reports.
function(sonabrix_add_sanitized_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
