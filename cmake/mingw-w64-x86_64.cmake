# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model,
# which std::thread and std::mutex need). Libraries built for Windows by hand (GoogleTest,
# libxlsxwriter, libjpeg, giflib) are looked for in TARVELO_MINGW_PREFIX as well, libpq in
# TARVELO_LIBPQ_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(TARVELO_MINGW_PREFIX "$ENV{TARVELO_MINGW_PREFIX}" CACHE PATH "Prefix of libraries built for Windows")
# Qt for Windows (scripts/windows-qt.sh); its moc, rcc and uic are the machine's own.
set(TARVELO_QT_PREFIX "$ENV{TARVELO_QT_PREFIX}" CACHE PATH "Prefix of Qt built for Windows")
# libpq with OpenSSL for Windows (scripts/windows-libpq.sh).
set(TARVELO_LIBPQ_PREFIX "$ENV{TARVELO_LIBPQ_PREFIX}" CACHE PATH "Prefix of libpq built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${TARVELO_MINGW_PREFIX} ${TARVELO_QT_PREFIX} ${TARVELO_LIBPQ_PREFIX})
if(TARVELO_QT_PREFIX)
  set(QT_HOST_PATH /usr CACHE PATH "")
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see only the Windows libraries, never the machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "${TARVELO_MINGW_PREFIX}/lib/pkgconfig:${TARVELO_LIBPQ_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
