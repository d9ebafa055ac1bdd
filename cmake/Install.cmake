# Install rules and the Debian package. Included from the top-level CMakeLists.
#
# An installed copy is laid out as any Linux desktop program: the executables in
# bin/, the default files and pictures in share/quillmark/, and the desktop
# entry, AppStream metainfo, icons and manual pages where the desktop looks for
# them. The program knows it is installed by finding share/quillmark/ beside its
# bin folder, so those two must stay siblings.
include(GNUInstallDirs)

file(RELATIVE_PATH _qm_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
if(NOT _qm_data_from_bin STREQUAL "../share")
    message(FATAL_ERROR "The installed program finds its files in ../share/quillmark beside its bin "
                        "folder: CMAKE_INSTALL_DATADIR must be the share folder beside CMAKE_INSTALL_BINDIR")
endif()

set(QM_APP_ID org.quillmark.Quillmark)
set(QM_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)

install(TARGETS quillmark RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillmark-batch)
    install(TARGETS quillmark-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The page renderer lies beside the programs that start it: they look for it
# in their own folder first.
install(TARGETS quillmark-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# What the user's program folder is seeded from on its first start, and the
# pictures and pages brought there on every start.
install(FILES
        ${CMAKE_SOURCE_DIR}/data/links.ini
        ${CMAKE_SOURCE_DIR}/data/headers.txt
        ${CMAKE_SOURCE_DIR}/data/badwords.txt
        ${CMAKE_SOURCE_DIR}/data/baddomains.txt
        ${CMAKE_SOURCE_DIR}/data/start.html
        ${CMAKE_BINARY_DIR}/generated/help.html
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmark)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/images/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmark/images)

install(FILES ${QM_DIST_DIR}/${QM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QM_DIST_DIR}/${QM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QM_DIST_DIR}/icons/${QM_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 48 128 256)
    install(FILES ${QM_DIST_DIR}/icons/${QM_APP_ID}-${_size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
        RENAME ${QM_APP_ID}.png)
endforeach()

# The manual pages carry the project's version, so they are configured, then
# compressed.
set(_qm_man_pages)
foreach(_page quillmark quillmark-batch quillmark-render)
    set(_man ${CMAKE_BINARY_DIR}/generated/man/${_page}.1)
    configure_file(${QM_DIST_DIR}/man/${_page}.1.in ${_man} @ONLY)
    add_custom_command(OUTPUT ${_man}.gz
        COMMAND ${CMAKE_COMMAND} -DIN=${_man} -DOUT=${_man}.gz -P ${CMAKE_SOURCE_DIR}/cmake/GzipManPage.cmake
        DEPENDS ${_man} ${CMAKE_SOURCE_DIR}/cmake/GzipManPage.cmake
        COMMENT "Compressing the manual page ${_page}.1")
    list(APPEND _qm_man_pages ${_man}.gz)
endforeach()
add_custom_target(quillmark_man_pages ALL DEPENDS ${_qm_man_pages})
install(FILES ${_qm_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack -G DEB in the build folder (needs the packages dpkg-dev and file). The
# run-time libraries, the browser's helper process among them, come from
# dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VENDOR "Quillmark")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link directory builder: harvest, check and describe web links")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quillmark is a desktop tool for people who build link directories and trade\n"
    "links with other sites. You browse inside the program, harvest every link of\n"
    "the page on screen, clean the list, and let Quillmark visit each address: it\n"
    "checks the server's answer, optionally looks for a reciprocal link to your own\n"
    "site, and extracts title, description and e-mail address with regular\n"
    "expressions you can edit. Accepted pages become rows of a table saved to a\n"
    "delimited text file or a spreadsheet.\n"
    "\n"
    "The package also holds quillmark-batch, which runs the same analysis over a\n"
    "file of addresses without a window, and quillmark-render, which renders pages\n"
    "with the browser engine for it, without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(QUILLMARK_PACKAGE_MAINTAINER "Quillmark maintainers <maintainers@quillmark.example>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${QUILLMARK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLMARK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_GENERATOR DEB)
include(CPack)
