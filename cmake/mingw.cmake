# Shared by the two MinGW toolchain files, which set SONABRIX_MINGW_ARCH and
# SONABRIX_MINGW_ARCH_FLAGS first. The -posix flavour of the compiler is used for both
# architectures; the runtime is linked statically, so the exe needs no DLL beyond the system's
# own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SONABRIX_MINGW_ARCH})
set(triple ${SONABRIX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Failures are values here, never exceptions, and nothing asks a type at run time; without
# them the exe carries no unwinder and no type records. Each function and datum gets a section
# of its own, so that a link that drops unused sections keeps only what is called.
set(CMAKE_CXX_FLAGS_INIT
    "${SONABRIX_MINGW_ARCH_FLAGS} -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections")
