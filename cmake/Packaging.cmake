# The installation and its Debian package (CPack):
#
#   cmake --build build --target package      # build/report_23.0_amd64.deb
#
# /usr/bin holds report and reportctl (its companion reportctl-print is in
# /usr/libexec/report); /usr/share/report/Help/Data the
# bundled packages, /usr/share/report/Help/html the HTML help and
# /usr/share/report/Doc the user's manual, laid out as in a portable program
# folder, so that the program finds them beside its packages. Each user's
# reports live in $XDG_DATA_HOME/report/.
include(GNUInstallDirs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(REPORT_SHARE ${CMAKE_INSTALL_DATADIR}/report)
set(REPORT_DOC ${CMAKE_INSTALL_DATADIR}/doc/report)
set(PACKAGE_SOURCE ${CMAKE_SOURCE_DIR}/data/package)
set(PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package-staging)

install(TARGETS reportctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# reportctl's companion for the commands that need the toolkit, in the
# package's private program folder, where reportctl looks for it.
install(TARGETS reportctl-print RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/report)
if(TARGET report)
  install(TARGETS report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/report.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/report.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/report.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()
foreach(package TI.a TL.a TP.a S.a Demo.rpt)
  install(FILES ${REPORT_PROGRAM_DIR}/Help/Data/${package} DESTINATION ${REPORT_SHARE}/Help/Data)
endforeach()
install(DIRECTORY ${REPORT_PROGRAM_DIR}/Help/html DESTINATION ${REPORT_SHARE}/Help)
install(DIRECTORY ${REPORT_PROGRAM_DIR}/Doc/ DESTINATION ${REPORT_SHARE}/Doc)

# Manual pages and the changelog compressed without name or time.
set(GZIPPED)
foreach(file report.1 reportctl.1 changelog)
  add_custom_command(OUTPUT ${PACKAGE_STAGING}/${file}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_STAGING}
                     COMMAND Python3::Interpreter ${PACKAGE_SOURCE}/gzip_n.py ${PACKAGE_SOURCE}/${file}
                             ${PACKAGE_STAGING}/${file}.gz
                     DEPENDS ${PACKAGE_SOURCE}/${file} ${PACKAGE_SOURCE}/gzip_n.py
                     VERBATIM)
  list(APPEND GZIPPED ${PACKAGE_STAGING}/${file}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${GZIPPED})
install(FILES ${PACKAGE_STAGING}/reportctl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET report)
  install(FILES ${PACKAGE_STAGING}/report.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PACKAGE_SOURCE}/copyright ${PACKAGE_STAGING}/changelog.gz DESTINATION ${REPORT_DOC})

# What the program needs at run time beyond the libraries it links, whose
# packages dpkg-shlibdeps works out: the Qt platform plugins, Qt's Russian
# translations for the standard dialogs, the fonts that stand in for the
# Windows faces of the table files, the fallback icon theme and Qt's SVG
# icon engine and image plugin that draw it and the program's own pictures.
# Every further package goes into this one list.
set(REPORT_DEB_EXTRA_DEPENDS qt6-qpa-plugins qt6-translations-l10n fonts-liberation2 breeze-icon-theme libqt6svg6)
# Used when present: opening files and addresses, printing text documents.
set(REPORT_DEB_RECOMMENDS xdg-utils libreoffice-writer poppler-utils)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME report)
set(CPACK_PACKAGE_VENDOR "ReportSystem project")
set(CPACK_PACKAGE_CONTACT "ReportSystem project <report@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "annual statistical report on research activity")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop program with which a university prepares its annual statistical
report on research activity: tables and text documents in sections, typed
cells, formulas across tables, check rules with a traffic light per table,
sub-reports for departments, import from last year's report, printing,
export to spreadsheets and word processors, and the data file for sending.

Its report files are byte-compatible with the Windows-1251 files of
existing installations. The package also holds reportctl, the same
operations on the command line, and the user's manual in Russian.")
# The installed packages are cabinets named "*.a" by the system's own
# convention, which lintian takes for static libraries; the overrides say so.
install(FILES ${PACKAGE_SOURCE}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME report)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(JOIN REPORT_DEB_EXTRA_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN REPORT_DEB_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
