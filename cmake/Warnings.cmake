# Warnings are errors for the project's own targets; third-party code built in the tree (the
# cross-built GoogleTest) keeps its own flags.
function(sonabrix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
