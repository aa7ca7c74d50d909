# A cross build has no GoogleTest for its target, so it builds Debian's GoogleTest sources with
# the cross compiler. Win32 threads serve GoogleTest there; no pthread library is pulled in.
set(SONABRIX_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${SONABRIX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
