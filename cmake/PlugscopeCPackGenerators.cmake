# Read by cpack once per generator, with CPACK_GENERATOR set to it. The .deb
# holds everything a plain install does plus the "debian" component
# (copyright and changelog); the RPM holds what a plain install does.
if(CPACK_GENERATOR STREQUAL "DEB")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 plugscope_build_dir)
  list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${plugscope_build_dir} Plugscope debian /)
endif()
