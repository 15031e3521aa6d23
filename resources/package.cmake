# The Debian package (cpack -G DEB, run by scripts/package.sh). Its Depends come from
# dpkg-shlibdeps; the one hand-listed dependency is libwmf's font set, which no library names.
set(SKARVEL_RELEASE_DATE "2026-12-11")  # also the release date in the metainfo file

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Skarvel developers <skarvel@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for phone theme packages")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Skarvel assembles theme packages (.nth) for mobile phones from a wallpaper,
a background, a screensaver, a ringtone, a colour scheme and menu icons,
previews them on a simulated phone screen, saves them and opens them again.
.
The skarvel-cli command runs the same workflows without a window, and file
managers show each theme package's screen as its thumbnail.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-urw-base35)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian wants the package's changelog and copyright in /usr/share/doc/skarvel/.
include(GNUInstallDirs)
execute_process(COMMAND env LC_ALL=C date -u -R -d "${SKARVEL_RELEASE_DATE} 12:00" OUTPUT_VARIABLE changelog_date
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(changelog ${CMAKE_BINARY_DIR}/changelog.Debian)
file(CONFIGURE OUTPUT ${changelog} @ONLY CONTENT
  "skarvel (${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) unstable; urgency=medium\n\n  * First release.\n\n -- ${CPACK_PACKAGE_CONTACT}  ${changelog_date}\n")
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND gzip -9nf -k ${changelog}
  DEPENDS ${changelog} VERBATIM)
add_custom_target(skarvel_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz resources/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skarvel)

include(CPack)
