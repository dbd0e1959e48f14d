# plugscope_catalogues(<target> <text domain> <folder of .po files>)
#
# Compiles each <language>.po of the folder into
# ${CMAKE_INSTALL_LOCALEDIR}/<language>/LC_MESSAGES/<text domain>.mo, in the
# build tree as when installed (so that programs find their catalogues the
# same way in both), installs it, and makes <target> build them all.
function(plugscope_catalogues target domain folder)
  file(GLOB po_files CONFIGURE_DEPENDS ${folder}/*.po)
  set(catalogues)
  foreach(po ${po_files})
    get_filename_component(language ${po} NAME_WE)
    set(directory ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES)
    set(mo ${PROJECT_BINARY_DIR}/${directory}/${domain}.mo)
    add_custom_command(OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/${directory}
      COMMAND ${MSGFMT_EXECUTABLE} --check -o ${mo} ${po}
      DEPENDS ${po}
      COMMENT "Compiling the ${language} catalogue of ${domain}"
      VERBATIM)
    list(APPEND catalogues ${mo})
    install(FILES ${mo} DESTINATION ${directory})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${catalogues})
endfunction()
