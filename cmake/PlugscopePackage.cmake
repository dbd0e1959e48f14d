# The packages, built by `cpack -G DEB` (the default) or `cpack -G RPM` in any
# configured build tree. Both hold everything installed, under /usr; the
# libraries they need come from dpkg-shlibdeps or rpmbuild's soname
# dependencies, and the fonts the PNG renderer pins are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plugscope)
set(CPACK_PACKAGE_VENDOR "The Plugscope developers")
set(CPACK_PACKAGE_CONTACT "The Plugscope developers <maintainers@plugscope.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see what each USB-C port is doing")
set(plugscope_what
  "Plugscope tells a laptop's user what each USB-C port is doing: what is
plugged in and its name, the link speed, the protocols (USB 2, USB 3,
Thunderbolt, USB4, DisplayPort), whether the cable is smart, active or
optical, whether the port charges the machine, the USB bus power given to the
device, and the charger's watts.")
set(plugscope_programs
  "It holds a faceless background agent, plugscope, that keeps a snapshot of the
ports up to date and starts at login; a widget plug-in with its terminal host,
plugscope-widget-host; and plugscope-scan, which prints one scan as JSON or as
OpenMetrics text, with a timer that writes it for the Prometheus node exporter.")
# Debian separates paragraphs with a line holding a dot, RPM with an empty one.
set(CPACK_PACKAGE_DESCRIPTION "${plugscope_what}\n.\n${plugscope_programs}")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${plugscope_what}\n\n${plugscope_programs}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, fonts-dejavu-core")

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE Apache-2.0)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
# Fonts by what they provide, as Fedora and openSUSE name them; libraries
# come from rpmbuild's automatic soname dependencies.
set(CPACK_RPM_PACKAGE_REQUIRES "font(inter), font(dejavusans)")
# No /usr/lib/.build-id links, and no debug package: the files are stripped
# (rpmbuild on Fedora would otherwise fail on an empty debug source list).
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none\n%define debug_package %{nil}")
# The units and the launcher name /usr paths.
set(CPACK_PACKAGE_RELOCATABLE OFF)
# Folders other packages own too; the RPM owns only its own.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/lib/systemd /usr/lib/systemd/system /usr/share/applications /usr/share/metainfo
  /usr/share/man /usr/share/man/man1
  /usr/share/locale /usr/share/locale/de /usr/share/locale/de/LC_MESSAGES
  /usr/share/icons /usr/share/icons/hicolor /usr/share/icons/hicolor/scalable
  /usr/share/icons/hicolor/scalable/apps)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256 512)
  list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/icons/hicolor/${size}x${size} /usr/share/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian's machine-readable copyright and its changelog (named changelog.gz,
# as for a native version, and compressed as Debian does) go into the .deb
# only: a component that a plain install leaves out and that
# PlugscopeCPackGenerators.cmake adds for the DEB generator.
set(plugscope_debian_docs ${PROJECT_BINARY_DIR}/packaging/debian)
add_custom_command(OUTPUT ${plugscope_debian_docs}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${plugscope_debian_docs}
  COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    > ${plugscope_debian_docs}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(plugscope_debian_changelog ALL DEPENDS ${plugscope_debian_docs}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
  ${plugscope_debian_docs}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plugscope COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PlugscopeCPackGenerators.cmake)
include(CPack)
