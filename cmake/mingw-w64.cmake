# Cross-compiles the core for 64-bit Windows with Debian's mingw-w64 toolchain (posix thread
# model, which std::thread needs). The programs link the GCC runtime and winpthread statically,
# so they run as they are, under wine too, without DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VA48_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VA48_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VA48_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VA48_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VA48_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
