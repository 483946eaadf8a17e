# The Windows distribution, from the mingw-w64 cross build: an installer
# (NSIS, makensis from Debian's nsis package) and a zip with the same
# folder. The folder holds pelmobot.exe, pelmobot-gui.exe, the user guide
# (help/) and the shipped working folder (workdir/): a start in the folder
# itself, which has no Net.ini yet, fills it from workdir/, so the
# installation folder is the working folder. The installer installs for
# the current user (%LOCALAPPDATA%\Programs\Pelmo_bot, writable without
# Administrator, unlike Program Files), makes a Start-menu shortcut whose
# working folder is the installation folder, and an uninstaller that
# removes what it installed and keeps the bot's own files there.
foreach(program pelmobot pelmobot-gui)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
# The Windows guide (help/windows/; help/index.html is the Linux one).
install(FILES ${PROJECT_SOURCE_DIR}/dist/help/windows/index.html DESTINATION help)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dist/workdir/ DESTINATION workdir)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME Pelmo_bot)
set(CPACK_PACKAGE_VENDOR Pelmo_bot)
set(CPACK_PACKAGE_VERSION 1.3.0)
set(CPACK_PACKAGE_FILE_NAME Pelmo_bot-1.3.0-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Pelmo_bot)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chat bot for a serverless LAN chat")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Our own installer script (NSIS.template.in beside this file): per user,
# Unicode, one shortcut.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_NSIS_PACKAGE_NAME Pelmo_bot)
set(CPACK_NSIS_DISPLAY_NAME "Pelmo_bot 1.3.0")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
include(CPack)
