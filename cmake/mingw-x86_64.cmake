set(SONABRIX_MINGW_ARCH x86_64)
# 64-bit Windows walks the stack by the unwind tables, so they stay.
set(SONABRIX_MINGW_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
