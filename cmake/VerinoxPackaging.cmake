# Debian packages from the install rules: `cpack -G DEB` in the build tree makes one package per
# install component. Every install rule names its component: verinox (the program, the help
# browser, the help files and the desktop files), gifcodec, and checkd (the check service).
include(GNUInstallDirs)

set(VERINOX_PACKAGES verinox gifcodec verinox-checkd)
set(VERINOX_COMPONENTS verinox gifcodec checkd)

# Debian wants a copyright file and a changelog in every package's documentation folder.
set(changelog_gz ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/debian/changelog > ${changelog_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog
    COMMENT "Compressing the package changelog")
add_custom_target(verinox-package-docs ALL DEPENDS ${changelog_gz})
foreach(package component IN ZIP_LISTS VERINOX_PACKAGES VERINOX_COMPONENTS)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright.${package}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} RENAME copyright COMPONENT ${component})
    install(FILES ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# Every program's manual page, compressed as Debian keeps them.
set(man_pages verinox verinox-help gifcodec verinox-checkd)
set(man_components verinox verinox gifcodec checkd)
foreach(page component IN ZIP_LISTS man_pages man_components)
    set(source ${PROJECT_SOURCE_DIR}/resources/man/${page}.1)
    set(compressed ${CMAKE_BINARY_DIR}/debian/man/${page}.1.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian/man
        COMMAND gzip -9nc ${source} > ${compressed}
        DEPENDS ${source})
    list(APPEND compressed_pages ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()
add_custom_target(verinox-man-pages ALL DEPENDS ${compressed_pages})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verinox)
set(CPACK_PACKAGE_VENDOR "Verinox")
set(CPACK_PACKAGE_CONTACT "Verinox maintainers <info@verinox.example.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VERINOX_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SOURCE verinox)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.verinox.example.com/")

set(CPACK_DEBIAN_VERINOX_PACKAGE_NAME verinox)
set(CPACK_DEBIAN_VERINOX_PACKAGE_SECTION mail)
set(CPACK_COMPONENT_VERINOX_DESCRIPTION "e-mail address check for the desktop
Verinox has an e-mail address checked for validity and existence: type an
address, and the check service's verdict appears in the window. The program
is in German; its help browser and help pages come with it.")

set(CPACK_DEBIAN_GIFCODEC_PACKAGE_NAME gifcodec)
set(CPACK_DEBIAN_GIFCODEC_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_GIFCODEC_DESCRIPTION "GIF codec on the command line
gifcodec shows what a GIF picture holds, decodes its frames to bitmap files,
encodes bitmap files into a (looping) animation, copies pictures and sets
their comments.")

set(CPACK_DEBIAN_CHECKD_PACKAGE_NAME verinox-checkd)
set(CPACK_DEBIAN_CHECKD_PACKAGE_SECTION mail)
set(CPACK_COMPONENT_CHECKD_DESCRIPTION "e-mail address check service
verinox-checkd checks an address's syntax, domain, mail exchangers and mailbox
and classifies it (disposable, free, role address). It answers over HTTP
with a page for Verinox's browser view or with JSON, and comes with a systemd
user unit.")

# The program asks the check service at the build's check host: when that is this machine, the
# program needs the local service; elsewhere the local one is only useful. Tahoma (from
# fonts-wine) is the windows' font when present, and xdg-open opens the info dialog's links.
set(CPACK_DEBIAN_VERINOX_PACKAGE_RECOMMENDS "fonts-wine, xdg-utils")
if(VERINOX_CHECK_HOST MATCHES "^(127\\.|localhost(:|$)|\\[::1\\])")
    set(CPACK_DEBIAN_VERINOX_PACKAGE_DEPENDS "verinox-checkd (= ${PROJECT_VERSION})")
else()
    string(APPEND CPACK_DEBIAN_VERINOX_PACKAGE_RECOMMENDS ", verinox-checkd (= ${PROJECT_VERSION})")
endif()

include(CPack)
