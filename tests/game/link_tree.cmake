# Links every entry of a folder into another (made if need be) but those
# whose names match skip: a scratch data tree shares all it does not change,
# and only what a script wrote itself is removed again.
function(link_tree from to skip)
  file(MAKE_DIRECTORY ${to})
  file(GLOB entries RELATIVE ${from} ${from}/*)
  foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "${skip}" AND NOT IS_SYMLINK ${to}/${entry})
      file(CREATE_LINK ${from}/${entry} ${to}/${entry} SYMBOLIC)
    endif()
  endforeach()
endfunction()
