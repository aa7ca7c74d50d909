set(SONABRIX_MINGW_ARCH i686)
# SSE2 doubles instead of the x87's extended precision, so the 32-bit exe rounds the note
# conversion's arithmetic exactly as the 64-bit build that the tests run.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
