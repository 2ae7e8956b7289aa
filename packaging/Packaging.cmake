# Debian packages: `make package` gives tesk-vistor_<version>_<arch>.deb
# (the display client under /opt/tesk, with its desktop entry, icon and
# AppStream metainfo) and tesk-callserver_<version>_<arch>.deb (the
# simulator). The client's working folder /opt/tesk gives its settings the
# installation key "_opt_tesk".
set(TESK_INSTALL_DIR /opt/tesk)

install(TARGETS TESKVistor RUNTIME DESTINATION ${TESK_INSTALL_DIR} COMPONENT vistor)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/se.norvalis.tesk.Vistor.desktop
        DESTINATION /usr/share/applications COMPONENT vistor)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/se.norvalis.tesk.Vistor.svg
        DESTINATION /usr/share/icons/hicolor/scalable/apps COMPONENT vistor)
configure_file(${CMAKE_CURRENT_LIST_DIR}/se.norvalis.tesk.Vistor.metainfo.xml
               ${CMAKE_CURRENT_BINARY_DIR}/se.norvalis.tesk.Vistor.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/se.norvalis.tesk.Vistor.metainfo.xml
        DESTINATION /usr/share/metainfo COMPONENT vistor)

install(TARGETS callserver RUNTIME DESTINATION ${TESK_INSTALL_DIR} COMPONENT callserver)
install(FILES ${CMAKE_SOURCE_DIR}/tools/callserver/seed-example.txt
        DESTINATION ${TESK_INSTALL_DIR} COMPONENT callserver)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesk)
set(CPACK_PACKAGE_VENDOR "${TESK_COMPANY}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Norvalis <support@norvalis.se>")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vistor callserver)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_VISTOR_PACKAGE_NAME tesk-vistor)
set(CPACK_COMPONENT_VISTOR_DESCRIPTION
    "TESK Visningsklient: the display client of the TESK staff call system\n"
    "Shows the call server's current calls on a call board and announces them.")
# What the program loads at run time besides its libraries: the platform
# plugins, Qt's Swedish captions, a speech engine with a Swedish voice, and
# the sound theme.
set(CPACK_DEBIAN_VISTOR_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, sound-theme-freedesktop, qt6-speech-speechd-plugin | qt6-speech-flite-plugin")
set(CPACK_DEBIAN_VISTOR_PACKAGE_RECOMMENDS "speech-dispatcher-espeak-ng, qt6-speech-flite-plugin, dbus-user-session")

set(CPACK_DEBIAN_CALLSERVER_PACKAGE_NAME tesk-callserver)
set(CPACK_COMPONENT_CALLSERVER_DESCRIPTION
    "TESK call server simulator\n"
    "A call and update server for trying a TESK display client without a real server.")

include(CPack)
