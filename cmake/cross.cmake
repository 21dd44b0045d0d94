# Cross-building for another Debian architecture with Debian's own cross
# compilers (crossbuild-essential-ARCH), its multiarch libraries (LIB:ARCH)
# and qemu-user to run what is built (qemu-user-static; no binfmt handler is
# needed, nor registered: the tests name the emulator).
#
#   -DCMAKE_TOOLCHAIN_FILE=cmake/cross.cmake -DHOSTIP_CROSS_ARCH=arm64
#
# HOSTIP_CROSS_ARCH is a Debian architecture: arm64, armhf, i386 or s390x.
# Qt's tools (moc) are the build machine's own, as QT_HOST_PATH says.
set(arches arm64 armhf i386 s390x)
# Per architecture: GNU triplet of the compiler, multiarch folder, CMake's
# processor name, qemu's name.
set(arm64 aarch64-linux-gnu aarch64-linux-gnu aarch64 aarch64)
set(armhf arm-linux-gnueabihf arm-linux-gnueabihf armv7l arm)
set(i386 i686-linux-gnu i386-linux-gnu i686 i386)
set(s390x s390x-linux-gnu s390x-linux-gnu s390x s390x)
if(NOT HOSTIP_CROSS_ARCH IN_LIST arches)
    message(FATAL_ERROR "HOSTIP_CROSS_ARCH is \"${HOSTIP_CROSS_ARCH}\": one of ${arches}")
endif()
list(GET ${HOSTIP_CROSS_ARCH} 0 gnu)
list(GET ${HOSTIP_CROSS_ARCH} 1 multiarch)
list(GET ${HOSTIP_CROSS_ARCH} 2 processor)
list(GET ${HOSTIP_CROSS_ARCH} 3 qemu)
# Compiler checks build test programs in projects of their own: they need it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HOSTIP_CROSS_ARCH)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER ${gnu}-gcc)
set(CMAKE_CXX_COMPILER ${gnu}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${multiarch})
set(PKG_CONFIG_EXECUTABLE ${multiarch}-pkg-config CACHE FILEPATH "the architecture's pkg-config")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu}-static)
# Libraries and packages of the target only; programs (moc, qemu) of the build machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(QT_HOST_PATH /usr CACHE PATH "where the build machine's Qt tools are")
