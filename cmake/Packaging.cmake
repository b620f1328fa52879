# Installation into the system's places and the Debian package made from it (cpack -G DEB).
# The program finds its read-only files in /usr/share/tapestrel when they are not beside it
# (GetSharedFilePath), which is where the package, installed under /usr, puts them.
include(GNUInstallDirs)

# The menu's icon is rendered from the drawing the program's windows use, never drawn twice.
add_executable(tapestrel_render_icon data/icons/RenderProgramIcon.cpp)
target_link_libraries(tapestrel_render_icon PRIVATE tapestrel_libraries)
set(icon_theme ${CMAKE_BINARY_DIR}/icons/hicolor)
# Qt keeps a few allocations to the end of the process, which are no fault of the tool's.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/icons/rendered
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:tapestrel_render_icon> ${icon_theme}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/icons/rendered
    DEPENDS tapestrel_render_icon
    COMMENT "Rendering the program's icon")
add_custom_target(tapestrel_icons ALL DEPENDS ${CMAKE_BINARY_DIR}/icons/rendered)

install(TARGETS Tapestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/Tapestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${icon_theme} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES data/Help.html data/Readme.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/tapestrel)
install(DIRECTORY data/CalendarSkins DESTINATION ${CMAKE_INSTALL_DATADIR}/tapestrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tapestrel)
# No public site or organisation stands behind the program: a placeholder in the top-level domain
# reserved for addresses that can never be real.
set(CPACK_PACKAGE_CONTACT "Tapestrel developers <tapestrel@tapestrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop wallpaper changer with a month calendar")
set(CPACK_PACKAGE_DESCRIPTION [[
Tapestrel lives in the system tray and, on a timer, on a global hot key or on
request, makes one picture after another from your picture folders the desktop
wallpaper: fitted to the screen, optionally brightness-normalized and
gamma-corrected, with a month calendar painted on it in a configurable skin.
It sets the wallpaper of GNOME, Plasma, Xfce, Cinnamon, MATE, Budgie, LXQt,
Sway, Hyprland and any other X11 session.]])
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins or found through fontconfig, so the binary's own libraries do not name them:
# the picture formats beyond Qt's own, and the faces that skins asking for Arial are drawn with.
# The X11 platform plugin comes with libqt6gui6, which the binary does name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, fonts-liberation2")
# The help page opens in the user's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Whatever the umask of the one who builds it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
