# The Debian package, built by `cpack -G DEB` in any configured build tree.
# Everything installed goes in, under /usr; the libraries it needs come from
# dpkg-shlibdeps, the fonts the PNG renderer pins are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plugscope)
set(CPACK_PACKAGE_VENDOR "The Plugscope developers")
set(CPACK_PACKAGE_CONTACT "The Plugscope developers <maintainers@plugscope.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see what each USB-C port is doing")
set(CPACK_PACKAGE_DESCRIPTION
  "Plugscope tells a laptop's user what each USB-C port is doing: what is
plugged in and its name, the link speed, the protocols (USB 2, USB 3,
Thunderbolt, USB4, DisplayPort), whether the cable is smart, active or
optical, whether the port charges the machine, the USB bus power given to the
device, and the charger's watts.
.
It holds a faceless background agent, plugscope, that keeps a snapshot of the
ports up to date and starts at login; a widget plug-in with its terminal host,
plugscope-widget-host; and plugscope-scan, which prints one scan as JSON.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/plugscope/plugscope")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, fonts-dejavu-core")
include(CPack)
