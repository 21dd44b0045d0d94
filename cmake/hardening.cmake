# A packager's flags, and the hardening Debian gives its packages.
#
# CMake takes CXXFLAGS and LDFLAGS from the environment at the first configure;
# CPPFLAGS (where dpkg-buildflags puts _FORTIFY_SOURCE) it does not, so it is
# taken here, the same way, leaving out what CXXFLAGS holds already (debhelper
# passes CPPFLAGS inside CXXFLAGS).
set(HOSTIP_CPPFLAGS "$ENV{CPPFLAGS}" CACHE STRING "Preprocessor flags (CPPFLAGS at the first configure)")
separate_arguments(packager_cpp NATIVE_COMMAND "${HOSTIP_CPPFLAGS}")
separate_arguments(packager_cxx NATIVE_COMMAND "${CMAKE_CXX_FLAGS}")
foreach(flag IN LISTS packager_cpp)
    if(NOT flag IN_LIST packager_cxx)
        add_compile_options("${flag}")
    endif()
endforeach()

# Hardening for optimised builds: what dpkg-buildflags gives with
# hardening=+all, added only where the compiler takes it, so the build works on
# every processor. A packager's own flags (CXXFLAGS or CPPFLAGS at the first
# configure) are the build's as they stand, with no hardening added: what they
# turned off (hardening=-fortify, say) stays off.
if(NOT DEFINED CACHE{HOSTIP_PACKAGER_FLAGS})
    if("$ENV{CXXFLAGS}$ENV{CPPFLAGS}" STREQUAL "")
        set(given OFF)
    else()
        set(given ON)
    endif()
    set(HOSTIP_PACKAGER_FLAGS ${given} CACHE BOOL
        "A packager's flags were given at the first configure: they are taken as they are")
endif()
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    set(optimised ON)
else()
    set(optimised OFF) # _FORTIFY_SOURCE needs an optimising build
endif()
option(HOSTIP_HARDENING "Harden the build as Debian hardens its packages" ${optimised})
set(CMAKE_POSITION_INDEPENDENT_CODE ON) # Qt's programs are built position independent
if(NOT HOSTIP_HARDENING OR HOSTIP_PACKAGER_FLAGS)
    return()
endif()

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckPIESupported)
set(packager_compile "${CMAKE_CXX_FLAGS} ${HOSTIP_CPPFLAGS}")
set(packager_link "${CMAKE_EXE_LINKER_FLAGS}")

# harden(PATTERN FLAG): adds the flag unless the compile flags given (a
# preset's, -DCMAKE_CXX_FLAGS) match PATTERN or the compiler refuses it.
function(harden pattern flag)
    if(packager_compile MATCHES "${pattern}")
        return()
    endif()
    string(MAKE_C_IDENTIFIER "HOSTIP_TAKES${flag}" takes)
    check_cxx_compiler_flag("${flag}" ${takes})
    if(${takes})
        add_compile_options("${flag}")
    endif()
endfunction()

harden("stack-protector" -fstack-protector-strong)
harden("stack-clash-protection" -fstack-clash-protection)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    harden("cf-protection" -fcf-protection)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
    harden("branch-protection" -mbranch-protection=standard)
endif()
harden("_GLIBCXX_ASSERTIONS" -D_GLIBCXX_ASSERTIONS)

# Level 3 where the compiler and the C library both take it, else 2.
if(NOT packager_compile MATCHES "_FORTIFY_SOURCE")
    set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3")
    check_cxx_source_compiles([[
        #include <cstring>
        #if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL < 3
        #error "no fortify level 3"
        #endif
        int main() { return 0; }]] HOSTIP_FORTIFY_3)
    unset(CMAKE_REQUIRED_FLAGS)
    if(HOSTIP_FORTIFY_3)
        add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
    else()
        add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
    endif()
endif()

# A position-independent executable, full RELRO and immediate binding.
check_pie_supported()
if(NOT packager_link MATCHES "-z[, ]?relro")
    add_link_options(LINKER:-z,relro)
endif()
if(NOT packager_link MATCHES "-z[, ]?now")
    add_link_options(LINKER:-z,now)
endif()
