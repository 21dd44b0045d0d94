# What `cmake --install` puts in place, and the Debian package made from it.
include(GNUInstallDirs)

install(TARGETS hostip RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Stripped (cmake --install --strip, and in the Debian package) as dh_strip
# strips: the compilers' .comment and .note sections go too.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/hostip\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
install(FILES data/${HOSTIP_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${HOSTIP_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${HOSTIP_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES data/icons/hostip-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${HOSTIP_APP_ID}.png)
endforeach()

# Man page (its version the project's) and package documentation, compressed
# as Debian expects.
find_program(GZIP gzip REQUIRED)
set(docs ${CMAKE_CURRENT_BINARY_DIR}/docs)
configure_file(data/hostip.1.in ${docs}/hostip.1 @ONLY)
add_custom_command(
    OUTPUT ${docs}/hostip.1.gz ${docs}/changelog.gz
    COMMAND ${GZIP} -9nc ${docs}/hostip.1 > ${docs}/hostip.1.gz
    COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/changelog > ${docs}/changelog.gz
    DEPENDS ${docs}/hostip.1 data/changelog)
add_custom_target(hostip_docs ALL DEPENDS ${docs}/hostip.1.gz ${docs}/changelog.gz)
install(FILES ${docs}/hostip.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hostip)
set(CPACK_PACKAGE_VENDOR "The hostip developers")
set(CPACK_PACKAGE_CONTACT "The hostip developers <hostip@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Native Wayland needs Qt's Wayland plugin; without it hostip runs on X11 (or
# says what to install), so it is recommended rather than required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/hostip/hostip)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "A small Qt window with two columns, the host name and the dotted IPv4\n\
address. A button under each column looks it up through the system's\n\
resolver and fills in the other.")
include(CPack)

# The installed files and the package as a distribution would judge them; made
# from the release build (the package preset), as the presets' are hardened.
if(HOSTIP_PACKAGE_TESTS)
    add_test(NAME install_and_package
             COMMAND ${HOSTIP_ISOLATE} ${PROJECT_SOURCE_DIR}/tests/package.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
                     ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND})
    set_tests_properties(install_and_package PROPERTIES TIMEOUT 300)
endif()
