# What both Windows toolchains share: Debian's mingw-w64 compilers of the posix thread model for
# KEYHOLM_MINGW_TRIPLE, the libraries scripts/build-mingw-deps.sh builds, and a static run-time so
# that no DLL of the compiler's has to sit beside the product.
set(CMAKE_C_COMPILER ${KEYHOLM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEYHOLM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KEYHOLM_MINGW_TRIPLE}-windres)
# libpng and giflib, built by scripts/build-mingw-deps.sh (same default folder as there).
if(DEFINED ENV{KEYHOLM_MINGW_PREFIX})
  set(KEYHOLM_MINGW_DEPS $ENV{KEYHOLM_MINGW_PREFIX}/${KEYHOLM_MINGW_TRIPLE})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(KEYHOLM_MINGW_DEPS $ENV{XDG_CACHE_HOME}/keyholm-mingw/${KEYHOLM_MINGW_TRIPLE})
else()
  set(KEYHOLM_MINGW_DEPS $ENV{HOME}/.cache/keyholm-mingw/${KEYHOLM_MINGW_TRIPLE})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${KEYHOLM_MINGW_TRIPLE} ${KEYHOLM_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
