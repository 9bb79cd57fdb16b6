# design_text(DESIGN OUT): the design file without its comments.
function(design_text design out)
  file(READ ${design} text)
  string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# design_levels(DESIGN OUT): the ids of every level (1 and above) on every
# map of a levels design file, in file order.
function(design_levels design out)
  design_text(${design} text)
  string(REGEX MATCHALL "<level[^>]* id=\"[0-9]+\"" entries "${text}")
  set(levels)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".* id=\"([0-9]+)\"" "\\1" id "${entry}")
    if(id GREATER 0)
      list(APPEND levels ${id})
    endif()
  endforeach()
  set(${out} ${levels} PARENT_SCOPE)
endfunction()

# design_maps(DESIGN OUT): the ids of the maps of a levels design file that
# hold at least one level.
function(design_maps design out)
  design_text(${design} text)
  string(REGEX MATCHALL "<map[^>]* id=\"[0-9]+\"[^>]*[^/]>" entries "${text}")
  set(maps)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".* id=\"([0-9]+)\".*" "\\1" id "${entry}")
    list(APPEND maps ${id})
  endforeach()
  set(${out} ${maps} PARENT_SCOPE)
endfunction()
