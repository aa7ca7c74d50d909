set(SONABRIX_MINGW_ARCH i686)
# SSE2 doubles instead of the x87's extended precision, so the 32-bit exe rounds the note
# conversion's arithmetic exactly as the 64-bit build that the tests run. 32-bit Windows unwinds
# by the frames on the stack, not by tables: the DWARF tables would serve only the exceptions
# that the build leaves out, and the link would keep every function they name.
set(SONABRIX_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse -fno-asynchronous-unwind-tables")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
