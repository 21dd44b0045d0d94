# The flags given, and the hardening Debian gives its packages.
#
# CMake takes CXXFLAGS and LDFLAGS from the environment at the first configure;
# CPPFLAGS (where dpkg-buildflags puts _FORTIFY_SOURCE) it does not, so it is
# taken here and put on every compile line as written, as make would put it.
set(HOSTIP_CPPFLAGS "$ENV{CPPFLAGS}" CACHE STRING "Preprocessor flags (CPPFLAGS at the first configure)")
string(STRIP "${CMAKE_CXX_FLAGS} ${HOSTIP_CPPFLAGS}" CMAKE_CXX_FLAGS)

# The project's own presets (the README's commands) harden the build as Debian
# hardens its packages, beside whatever flags the environment adds. A plain
# configure (a distribution's build, dh_auto_configure included) adds nothing:
# its flags choose their own hardening, and are taken as they are.
option(HOSTIP_HARDENING "Harden the build as Debian hardens its packages (the presets set it)" OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON) # Qt's programs are built position independent
if(NOT HOSTIP_HARDENING)
    message(STATUS "hostip: no hardening of its own: the flags given are taken as they are")
    return()
endif()
message(STATUS "hostip: hardened as Debian hardens its packages, beside the flags given")

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckPIESupported)
set(given_compile "${CMAKE_CXX_FLAGS}")
set(given_link "${CMAKE_EXE_LINKER_FLAGS}")

# harden(PATTERN FLAG): adds the flag unless the compile flags given already
# choose it (match PATTERN) or the compiler refuses it.
function(harden pattern flag)
    if(given_compile MATCHES "${pattern}")
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
if(NOT given_compile MATCHES "_FORTIFY_SOURCE")
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
if(NOT given_link MATCHES "-z[, ]?relro")
    add_link_options(LINKER:-z,relro)
endif()
if(NOT given_link MATCHES "-z[, ]?now")
    add_link_options(LINKER:-z,now)
endif()
