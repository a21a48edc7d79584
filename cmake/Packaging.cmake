# What `cmake --install` copies and what CPack packs: on Linux the tools, their manual pages, the
# example package and the documentation, packed as a .deb (scripts/package.sh); in the Windows
# build SETUP.EXE, orvane-run.exe, the example package and the documentation, packed as a zip
# (scripts/build-windows.sh). Included by the top CMakeLists.txt after the tools are declared.
include(GNUInstallDirs)

set(ORVANE_PACKAGE_NAME orvane-setup)

if(WIN32)
  # The zip holds a folder with the programs at its top, beside the README, its pictures and
  # the example package.
  install(TARGETS orvane-run orvane-setup-win32 RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION docs)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/demo DESTINATION examples
          USE_SOURCE_PERMISSIONS)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${ORVANE_PACKAGE_NAME}-${PROJECT_VERSION}-${ORVANE_WINE_KIND})
else()
  set(ORVANE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ORVANE_PACKAGE_NAME})
  set(tools orvane-run orvane-machine orvane-pack)
  if(TARGET orvane-setup)
    list(APPEND tools orvane-setup)
  endif()
  install(TARGETS ${tools} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${ORVANE_DOC_DIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${ORVANE_DOC_DIR}/docs)
  # The checker of the example is a shell script: it keeps its mode.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/demo
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/orvane/examples USE_SOURCE_PERMISSIONS)

  # Manual pages, made from each tool's --help and --version (cmake/man-page.sh), so that they
  # say what the tools say. Not made by the sanitizer builds (the tools would run instrumented).
  set(names_orvane-run "run an installer with a scripted user and write a transcript")
  set(names_orvane-setup "run an installer with its windows on an emulated Windows machine")
  set(names_orvane-machine "look inside an emulated Windows machine")
  set(names_orvane-pack "check, compress, plan and build installer packages")
  set(see_also ${CMAKE_BINARY_DIR}/man/see-also.roff)
  file(CONFIGURE OUTPUT ${see_also} CONTENT
".SH SEE ALSO
.BR orvane-run (1),
.BR orvane-setup (1),
.BR orvane-machine (1),
.BR orvane-pack (1).
The README, with the answers-file and transcript formats and the machine folder, is
.I ${ORVANE_DOC_DIR}/README.md
and the example package is
.I ${CMAKE_INSTALL_DATAROOTDIR}/orvane/examples/demo
under the installation prefix
.RI ( /usr
for the Debian package).
")
  set(pages)
  foreach(tool IN LISTS tools)
    if(ORVANE_SANITIZE)
      break()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_SOURCE_DIR}/cmake/man-page.sh $<TARGET_FILE:${tool}> ${tool}
              ${names_${tool}} ${see_also} ${page}
      DEPENDS ${tool} ${see_also} ${CMAKE_SOURCE_DIR}/cmake/man-page.sh
      COMMENT "Manual page of ${tool}"
      VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  if(pages)
    add_custom_target(man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The libraries the programs link, found by dpkg-shlibdeps; the desktop program draws the
  # layouts' Japanese faces and Times New Roman with these fonts.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(TARGET orvane-setup)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
        "fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-liberation, xdg-utils")
  endif()
  set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_PACKAGE_NAME ${ORVANE_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Orvane Setup developers")
set(CPACK_PACKAGE_CONTACT "The Orvane Setup developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "installer and uninstaller for Windows software, driven by SETUP.INI")
set(CPACK_PACKAGE_DESCRIPTION
    "A general-purpose installer and uninstaller for Windows desktop software, driven by a
package author's SETUP.INI. On Linux the installer runs on an emulated Windows machine kept in
a folder: orvane-run walks it with a scripted user and writes a transcript, orvane-setup shows
its windows, orvane-machine looks inside the machine and orvane-pack serves package authors.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
