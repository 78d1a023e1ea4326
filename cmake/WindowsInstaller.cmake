# The Windows installer: CPack's NSIS generator (makensis) puts kestrune.exe
# in Program Files, "Program Files (x86)" for the 32-bit product, with a
# Start-menu shortcut and an uninstaller that takes away each file and
# shortcut it made and its entry in Add/Remove Programs. The store is the
# user's and stays. Made only once the build has the program.
if(NOT TARGET kestrune)
  message(STATUS "No kestrune program in this build: the Windows installer is not made")
  # Nor is one left from when the build had it.
  file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
  return()
endif()

install(TARGETS kestrune RUNTIME DESTINATION .)

set(kestrune_icon ${PROJECT_SOURCE_DIR}/dist/icons/kestrune.ico)
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Kestrune)
set(CPACK_PACKAGE_VENDOR "Tarnwick Technologies")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop memory optimiser with live memory figures")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrune)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kestrune)
set(CPACK_NSIS_PACKAGE_NAME Kestrune)
set(CPACK_NSIS_DISPLAY_NAME Kestrune)
# One shortcut, "Kestrune", beside the uninstaller's in the Start menu's
# Kestrune folder; the program is at the top of the install folder.
set(CPACK_PACKAGE_EXECUTABLES kestrune Kestrune)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MUI_ICON ${kestrune_icon})
set(CPACK_NSIS_MUI_UNIICON ${kestrune_icon})
set(CPACK_NSIS_INSTALLED_ICON_NAME kestrune.exe)
# dist/copyright is written for Debian; no licence page.
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_STRIP_FILES ON)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # The installer is a 64-bit program too, so it runs wherever the program
  # can, and writes the registry's native view. Its target is set below the
  # install folder in the script, where makensis has read $PROGRAMFILES64 as
  # the 32-bit folder already; a 64-bit installer's $PROGRAMFILES is the
  # native one.
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
  set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
  set(CPACK_PACKAGE_FILE_NAME Kestrune-${PROJECT_VERSION}-win64)
else()
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES32")
  set(CPACK_NSIS_DEFINES "  Unicode true")
  set(CPACK_PACKAGE_FILE_NAME Kestrune-${PROJECT_VERSION}-win32)
endif()

# The template writes NoModify and NoRepair as strings; Add/Remove Programs
# reads them as numbers. Its uninstaller takes away the vendor's key only
# where the install-folder value was its last content; the empty key goes too,
# and stays where the program's store is under it. (Each backslash is written
# four times: once for this file, once for CPackConfig.cmake.)
set(kestrune_uninstall_key "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Kestrune")
set(kestrune_vendor_key "Software\\\\Tarnwick Technologies")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "WriteRegDWORD SHCTX '${kestrune_uninstall_key}' 'NoModify' 1\n  WriteRegDWORD SHCTX '${kestrune_uninstall_key}' 'NoRepair' 1"
)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX '${kestrune_vendor_key}\\\\Kestrune'\n  DeleteRegKey /ifempty SHCTX '${kestrune_vendor_key}'")
