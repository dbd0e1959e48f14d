# plugscope_forbid_links(<target> <library>...)
#
# Fails the configuration when <target> links any of the libraries, directly
# or through the libraries it links: a widget host, for one, must reach the
# widget only through the plug-in contract. Checked once every target of
# the project is defined.
function(plugscope_forbid_links target)
  cmake_language(EVAL CODE "
    cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]]
      CALL _plugscope_check_links [[${target}]] ${ARGN})")
endfunction()

function(_plugscope_check_links target)
  set(pending ${target})
  set(seen)
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(direct ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(library IN LISTS direct interface)
      # A static library's private dependencies come as $<LINK_ONLY:name>.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
      if(library AND NOT library MATCHES "-NOTFOUND$")
        list(APPEND pending ${library})
      endif()
    endforeach()
  endwhile()
  foreach(forbidden IN LISTS ARGN)
    if(forbidden IN_LIST seen)
      message(FATAL_ERROR "${target} links ${forbidden}, which it must reach only "
        "through the widget's contract")
    endif()
  endforeach()
endfunction()
