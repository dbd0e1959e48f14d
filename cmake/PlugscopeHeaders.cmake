# Every library sees the headers of exactly the libraries it links.
#
# All code includes headers by their path under src/ ("scanner/port_scan.h").
# Were src/ itself on the include path, anything could include anything. So
# each library gets an include root of its own in the build tree, holding a
# link to its own folder only; a library sees another's headers only by
# linking it. An include against the direction of the dependencies (pure
# logic including platform code, the widget including a host) then fails to
# compile instead of waiting for a reviewer.
#
#   plugscope_headers(<target> <folder under src/>)
function(plugscope_headers target folder)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
