# Install rules and CPack settings of the release packages that
# scripts/package.sh makes: from the Windows build a portable zip and an NSIS
# installer of cfgedit.exe and cfgtool.exe, from the Linux build the Debian
# package of cfgtool. Every file comes from this tree; the version is the
# project's.
set(CFG_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CFG_PACKAGE_MAINTAINER "cfgedit maintainers <maintainers@users.noreply.c-seed-469235d0.example>"
    CACHE STRING "Maintainer of the packages, with an e-mail address")

# The package script builds just the programs a package holds; installing
# must not build everything else (tests, benchmark drivers) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelk")
set(CPACK_PACKAGE_CONTACT "${CFG_PACKAGE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)  # values reach the generators as written here
set(CPACK_MODULE_PATH ${CFG_PACKAGING_DIR})  # our NSIS.template.in
set(CPACK_PROJECT_CONFIG_FILE ${CFG_PACKAGING_DIR}/cpack_options.cmake)

if(WIN32)
  install(TARGETS cfgedit cfgtool RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${CFG_PACKAGING_DIR}/example.cfg
          DESTINATION .)

  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_PACKAGE_NAME cfgedit)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for hierarchical configuration files, and cfgtool")
  # The installer's name adds "-setup" (cpack_options.cmake).
  set(CPACK_PACKAGE_FILE_NAME cfgedit-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY cfgedit)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY cfgedit)
  set(CPACK_PACKAGE_EXECUTABLES cfgedit cfgedit)

  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_NSIS_PACKAGE_NAME cfgedit)
  set(CPACK_NSIS_DISPLAY_NAME "cfgedit ${PROJECT_VERSION}")
  set(CPACK_NSIS_INSTALLED_ICON_NAME cfgedit.exe)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/cfgedit.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/cfgedit.ico)
  set(CPACK_NSIS_CONTACT "${CFG_PACKAGE_MAINTAINER}")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # cfgedit is offered in "Open with" for .cfg files, through its own ProgID
  # and its Applications entry; the default program for .cfg, which many
  # programs use, is left alone. The uninstaller takes out exactly these keys,
  # and the .cfg key only when nothing else is left in it.
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX "Software\Classes\cfgedit.cfg" "" "Configuration file"
  WriteRegStr SHCTX "Software\Classes\cfgedit.cfg\DefaultIcon" "" "$INSTDIR\cfgedit.exe,0"
  WriteRegStr SHCTX "Software\Classes\cfgedit.cfg\shell\open\command" "" '"$INSTDIR\cfgedit.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.cfg\OpenWithProgids" "cfgedit.cfg" ""
  WriteRegStr SHCTX "Software\Classes\Applications\cfgedit.exe\shell\open\command" "" '"$INSTDIR\cfgedit.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\Applications\cfgedit.exe\SupportedTypes" ".cfg" ""
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  DeleteRegValue SHCTX "Software\Classes\.cfg\OpenWithProgids" "cfgedit.cfg"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.cfg\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.cfg"
  DeleteRegKey SHCTX "Software\Classes\cfgedit.cfg"
  DeleteRegKey SHCTX "Software\Classes\Applications\cfgedit.exe"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
else()
  set(CFG_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
  configure_file(${PROJECT_SOURCE_DIR}/cli/cfgtool.1.in ${CFG_DOC_DIR}/cfgtool.1 @ONLY)
  # Debian's copyright file: the LICENSE, under the name of what it covers.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE CFG_LICENSE_TEXT)
  file(WRITE ${CFG_DOC_DIR}/copyright "cfgtool, the command-line tool of cfgedit.\n\n${CFG_LICENSE_TEXT}")
  # Compressed without a name or a time stamp, so that a rebuild gives the same bytes.
  add_custom_command(OUTPUT ${CFG_DOC_DIR}/cfgtool.1.gz ${CFG_DOC_DIR}/changelog.gz
    COMMAND gzip -9n -c ${CFG_DOC_DIR}/cfgtool.1 > ${CFG_DOC_DIR}/cfgtool.1.gz
    COMMAND gzip -9n -c ${CFG_PACKAGING_DIR}/changelog > ${CFG_DOC_DIR}/changelog.gz
    DEPENDS ${CFG_DOC_DIR}/cfgtool.1 ${CFG_PACKAGING_DIR}/changelog)
  add_custom_target(cfgtool_doc ALL DEPENDS ${CFG_DOC_DIR}/cfgtool.1.gz ${CFG_DOC_DIR}/changelog.gz)

  install(TARGETS cfgtool RUNTIME DESTINATION bin)
  install(FILES ${CFG_DOC_DIR}/cfgtool.1.gz DESTINATION share/man/man1)
  install(FILES ${CFG_DOC_DIR}/copyright ${CFG_DOC_DIR}/changelog.gz DESTINATION share/doc/cfgtool)
  install(FILES ${CFG_PACKAGING_DIR}/cfgtool.bash-completion
          DESTINATION share/bash-completion/completions RENAME cfgtool)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME cfgtool)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "format, check, query and convert cfgedit configuration files")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
cfgtool works on the configuration files of the cfgedit editor (plain
8-bit text holding nested named sections, named records and typed
values) from scripts and the shell: it writes a file as the editor
saves it, lists the lines that loading skips, reads, sets and deletes
single values, converts to and from JSON, searches a file and compares
two files as trees.]=])
endif()

include(CPack)
