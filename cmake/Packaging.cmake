# Installation into the system's places and the Debian package made from it (cpack -G DEB).
# The program finds its skins in /usr/share/tapestrel (GetSharedFilePath) and its read-me and help
# page in /usr/share/doc/tapestrel (GetDocumentFilePath) when they are not beside it, which is where
# the package, installed under /usr, puts them.
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

# Commands are lower case in Debian, as the package's name is; Tapestrel stays a name for it, which
# start-up entries and habits use. The program reads no meaning into either name (only "Install"
# has one), and takes its data directory from the product name and its start-up entry's command
# from /proc/self/exe, the file behind the link.
install(PROGRAMS $<TARGET_FILE:Tapestrel> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tapestrel)
set(links ${CMAKE_BINARY_DIR}/package-links)
file(MAKE_DIRECTORY ${links})
file(CREATE_LINK tapestrel ${links}/Tapestrel SYMBOLIC)
file(CREATE_LINK tapestrel.1.gz ${links}/Tapestrel.1.gz SYMBOLIC)
install(FILES ${links}/Tapestrel DESTINATION ${CMAKE_INSTALL_BINDIR})
# What dh_strip takes away besides the symbols: the compilers' version strings and notes.
string(CONFIGURE [[
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND "@CMAKE_STRIP@" --remove-section=.comment --remove-section=.note
                                "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_BINDIR@/tapestrel"
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
]] strip @ONLY)
install(CODE "${strip}")

install(FILES data/Tapestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${icon_theme} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(DIRECTORY data/CalendarSkins DESTINATION ${CMAKE_INSTALL_DATADIR}/tapestrel)

# Debian's documentation: compressed as gzip -9n does it, so that the same sources give the same
# package; the copyright file never compressed.
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/tapestrel)
set(compressed ${CMAKE_BINARY_DIR}/compressed-docs)
add_custom_command(OUTPUT ${compressed}/tapestrel.1.gz ${compressed}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/doc/tapestrel.1
            ${PROJECT_SOURCE_DIR}/doc/changelog.Debian ${compressed}
    COMMAND gzip -9nf ${compressed}/tapestrel.1 ${compressed}/changelog.Debian
    DEPENDS doc/tapestrel.1 doc/changelog.Debian
    COMMENT "Compressing the manual page and the changelog")
add_custom_target(tapestrel_docs ALL
    DEPENDS ${compressed}/tapestrel.1.gz ${compressed}/changelog.Debian.gz)
install(FILES ${compressed}/tapestrel.1.gz ${links}/Tapestrel.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${compressed}/changelog.Debian.gz doc/copyright data/Help.html data/Readme.txt
        DESTINATION ${docdir})
install(FILES doc/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tapestrel)

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
# The Debian revision of a package built from the upstream sources; the changelog's latest entry
# must name the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
file(STRINGS doc/changelog.Debian latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^tapestrel \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\) ")
    message(FATAL_ERROR "doc/changelog.Debian's latest entry is not for version "
                        "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}: ${latest}")
endif()
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
