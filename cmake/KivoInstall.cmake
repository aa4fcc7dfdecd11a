# What `cmake --install` puts where (prefix /usr/local unless told), and the Debian package cpack
# makes from it: the two programs, the desktop entry, the icons in the hicolor sizes, the MIME types
# of the project and target files, the manual pages, and the README with the example.
include(GNUInstallDirs)
# Installing and packaging take what is built (make install / make package build the programs
# first); they do not build the test suites and benchmarks on the way.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kivo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(kivo_man_pages kivo-cli)
if(KIVO_BUILD_GUI)
  install(TARGETS kivo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kivo.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kivo-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kivo.xml)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/desktop/icons/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  list(APPEND kivo_man_pages kivo)
endif()

# Manual pages, with the version filled in and compressed as Debian keeps them.
set(KIVO_VERSION ${PROJECT_VERSION})
set(kivo_man_outputs)
foreach(page ${kivo_man_pages})
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                     COMMAND gzip -9nf -k ${PROJECT_BINARY_DIR}/man/${page}.1
                     DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1
                     COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND kivo_man_outputs ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(kivo-manpages ALL DEPENDS ${kivo_man_outputs})
install(FILES ${kivo_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/results.schema.json
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/PLANT.SIM DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# cpack -G DEB: the package's dependencies on Debian's libraries come from dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kivo)
set(CPACK_PACKAGE_VENDOR "Kivo")
set(CPACK_PACKAGE_CONTACT "Kivo developers <kivo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design of 3D measurement networks observed with theodolites")
set(CPACK_PACKAGE_DESCRIPTION
    "Kivo lays out theodolite stations, object points and scale bars, simulates the observations of a design and runs a least-squares adjustment to predict the precision it would reach, with error ellipses and an adjustment listing. kivo-cli runs the same operations without a window.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON) # the programs as Debian ships them, without their debugging sections
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info, desktop-file-utils")
include(CPack)
