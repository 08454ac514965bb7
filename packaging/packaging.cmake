# Installation and the Debian package (./scripts/package.sh builds it: cpack -G DEB).
include(GNUInstallDirs)
set(VEXA_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/vexaterm)
# The programs look for their data files there after the working directory.
set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/installed_data.cpp PROPERTIES
  COMPILE_DEFINITIONS VEXA_DATA_DIR="${CMAKE_INSTALL_FULL_DATADIR}/vexaterm")

foreach(program vexaterm vexacli vexaboard)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/ainputs.txt ${CMAKE_SOURCE_DIR}/data/error.wav DESTINATION ${VEXA_SHARE_DIR})

# Icons drawn by data/icons/make_icons.py, manual pages and the changelog gzipped as Debian wants.
find_package(Python3 COMPONENTS Interpreter)
find_program(GZIP_PROGRAM gzip)
set(package_dir ${CMAKE_BINARY_DIR}/packaging)
set(package_outputs "")
if(Python3_FOUND)
  set(icon_sizes 16 24 32 48 64 128 256)
  set(icon_files "")
  foreach(n ${icon_sizes})
    list(APPEND icon_files ${package_dir}/icons/${n}x${n}/apps/vexaterm.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_files}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/data/icons/make_icons.py ${package_dir}/icons
    DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/make_icons.py ${CMAKE_SOURCE_DIR}/data/pictures/make_pictures.py
    COMMENT "Drawing the icons")
  list(APPEND package_outputs ${icon_files})
  install(DIRECTORY ${package_dir}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()
if(GZIP_PROGRAM)
  foreach(page vexaterm vexacli vexaboard)
    set(out ${package_dir}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}/man
      COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/man/${page}.1 > ${out}
      DEPENDS ${CMAKE_SOURCE_DIR}/man/${page}.1)
    list(APPEND package_outputs ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  set(out ${package_dir}/changelog.Debian.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
  list(APPEND package_outputs ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexaterm)
endif()
# Bash completion, written by the programs from their own option tables.
foreach(program vexacli vexaboard)
  if(TARGET ${program})
    set(out ${package_dir}/completions/${program})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}/completions
      COMMAND $<TARGET_FILE:${program}> --bash-completion > ${out}
      DEPENDS ${program}
      COMMENT "Writing the bash completion of ${program}")
    list(APPEND package_outputs ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  endif()
endforeach()
add_custom_target(package_files ALL DEPENDS ${package_outputs})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vexaterm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexaterm)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexaterm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VexaTerm developers <vexaterm@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "terminal and configuration tool for VexaLog data-logger boards")
# CPack writes the summary as the synopsis and these lines below it, each after a blank.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VexaTerm talks to VexaLog boards (types E, F and S) over a serial or USB
port, a modem or TCP/IP: a terminal, the board's configuration, the scaling
and live values of its analog inputs, macros, data upload, firmware download
and the production self-test. The package holds the desktop program
vexaterm, the command-line program vexacli and the board simulator vexaboard.
.
Serial and USB ports belong to the group dialout: add each user who talks
to a board to it (sudo adduser USER dialout) and log in again.")
# Qt's own dialogs and buttons in French and German; without it they stay in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
