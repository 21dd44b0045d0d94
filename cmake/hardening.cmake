# A packager's flags, and the hardening Debian gives its packages.
#
# CMake takes CXXFLAGS and LDFLAGS from the environment at the first configure;
# CPPFLAGS (where dpkg-buildflags puts _FORTIFY_SOURCE) it does not, so it is
# taken here and put on every compile line as written, as make would put it.
set(HOSTIP_CPPFLAGS "$ENV{CPPFLAGS}" CACHE STRING "Preprocessor flags (CPPFLAGS at the first configure)")
string(STRIP "${CMAKE_CXX_FLAGS} ${HOSTIP_CPPFLAGS}" CMAKE_CXX_FLAGS)

# A packager's flags make their own choice of hardening: dpkg-buildflags' (and
# other distributions') always name some of it, and where a Debian package turns
# all of it off, DEB_BUILD_MAINT_OPTIONS says so. Those are the build's as they
# stand, so what they turned off (hardening=-fortify, say) stays off. Flags that
# say nothing of hardening (CXXFLAGS=-march=... in a user's shell) get ours
# beside them. Decided at the first configure; -D overrides it.
string(STRIP "$ENV{CXXFLAGS} $ENV{CPPFLAGS} $ENV{LDFLAGS}" given)
if(NOT DEFINED CACHE{HOSTIP_PACKAGER_FLAGS})
    set(choose "stack-protector|_FORTIFY_SOURCE|stack-clash|cf-protection|branch-protection|-z,?relro|-z,?now")
    if(given MATCHES "${choose}" OR (DEFINED ENV{DEB_BUILD_MAINT_OPTIONS} AND NOT given STREQUAL ""))
        set(packager ON)
    else()
        set(packager OFF)
    endif()
    set(HOSTIP_PACKAGER_FLAGS ${packager} CACHE BOOL
        "The flags given at the first configure are a packager's, hardening chosen: taken as they are")
endif()
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    set(optimised ON)
else()
    set(optimised OFF) # _FORTIFY_SOURCE needs an optimising build
endif()
option(HOSTIP_HARDENING "Harden the build as Debian hardens its packages" ${optimised})
set(CMAKE_POSITION_INDEPENDENT_CODE ON) # Qt's programs are built position independent
if(NOT HOSTIP_HARDENING)
    return()
elseif(HOSTIP_PACKAGER_FLAGS)
    message(STATUS "hostip: a packager's flags (they choose their own hardening) are taken as they stand, "
                   "with no hardening of hostip's; for that as well, configure with -DHOSTIP_PACKAGER_FLAGS=OFF")
    return()
elseif(NOT given STREQUAL "")
    message(STATUS "hostip: CXXFLAGS, CPPFLAGS or LDFLAGS given choose no hardening, so they are no packager's: "
                   "hostip's hardening is added to them (-DHOSTIP_PACKAGER_FLAGS=ON takes them as they stand)")
endif()

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckPIESupported)
set(packager_compile "${CMAKE_CXX_FLAGS}")
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
