# What an installation holds beside the two programs, and the Debian package made of it
# (scripts/package.sh): the environment file, the desktop entry, the scalable icon (its sizes
# come with the Qt engine, cmake/ProgramIcon.cmake), the manual pages, the user's guide, the
# Debian copyright and changelog. The manual pages are made at build time from docs/; without
# pandoc the build goes on without them and says so, and scripts/package.sh refuses such a
# package.
include(GNUInstallDirs)

set(VELTRANO_MAINTAINER "Veltrano developers <veltrano@example.org>"
    CACHE STRING "The package's maintainer: a name and an address")
# The package's date: SOURCE_DATE_EPOCH when set, so that one tree gives one package.
string(TIMESTAMP VELTRANO_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(veltrano_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/veltrano)
set(veltrano_generated ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${veltrano_generated})

if(TARGET wlk)
  install(TARGETS wlk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/locale/veltrano.ENV DESTINATION ${CMAKE_INSTALL_DATADIR}/veltrano)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrano.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/veltrano.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${veltrano_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${veltrano_doc_dir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide DESTINATION ${veltrano_doc_dir})

configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${veltrano_generated}/changelog @ONLY)
add_custom_command(
    OUTPUT ${veltrano_generated}/changelog.gz
    COMMAND gzip -9nc ${veltrano_generated}/changelog > ${veltrano_generated}/changelog.gz
    DEPENDS ${veltrano_generated}/changelog
    COMMENT "Compressing the package's changelog")
set(veltrano_package_files ${veltrano_generated}/changelog.gz)
install(FILES ${veltrano_generated}/changelog.gz DESTINATION ${veltrano_doc_dir})

find_program(VELTRANO_PANDOC pandoc)
if(VELTRANO_PANDOC)
  foreach(page veltrano wlk)
    set(man ${veltrano_generated}/man/${page}.1.gz)
    set(inputs ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md)
    if(page STREQUAL "wlk")
      list(APPEND inputs ${PROJECT_SOURCE_DIR}/docs/wlk.md)
    endif()
    add_custom_command(
        OUTPUT ${man}
        COMMAND ${CMAKE_COMMAND} -DPANDOC=${VELTRANO_PANDOC} -DPAGE=${page}
                -DSOURCE=${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md -DMANUAL=${PROJECT_SOURCE_DIR}/docs/wlk.md
                -DVERSION=${PROJECT_VERSION} -DDATE=${VELTRANO_PACKAGE_DATE} -DOUTPUT=${man}
                -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
        DEPENDS ${inputs} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
        COMMENT "Making the manual page ${page}(1)")
    list(APPEND veltrano_package_files ${man})
    install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "pandoc was not found (package pandoc): the manual pages are not made")
endif()
add_custom_target(veltrano_package_files ALL DEPENDS ${veltrano_package_files})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR "Veltrano developers")
set(CPACK_PACKAGE_CONTACT "${VELTRANO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personnel department system of a medical institution")
# Lines of at most 80 columns, as a terminal shows them.
set(CPACK_PACKAGE_DESCRIPTION
    "Veltrano keeps the personnel records of a medical institution: one card
per employee, the reference books and the staff schedule; it computes lengths
of service, leave totals and retirement dates, and prints employee lists,
selections and the state statistical forms. Several workstations may share one
data directory. The package holds the desktop program veltrano (its texts are
Russian) and the administrator's tool wlk.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Russian and a font with Cyrillic letters are loaded at run time, so no
# library dependency brings them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
