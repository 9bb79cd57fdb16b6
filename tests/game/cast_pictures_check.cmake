# Draws every actor on every scenery, every effect at five moments and the
# animals' lost poses into OUT (for a reviewer), and checks that each actor
# stands out from every scenery: at the game's size enough of its pixels
# differ plainly from the scenery behind it, day and night (without their
# light outline the black animals fall under 400 on the night sceneries).
#   cmake -DSHOT=... -DDATA=... -DOUT=... [-DLEAST=400] -P cast_pictures_check.cmake
if(NOT DEFINED LEAST)
  set(LEAST 400)
endif()
execute_process(COMMAND ${SHOT} ${DATA} ${OUT} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cast_shot failed (${rc}):\n${out}${err}")
endif()
string(REGEX MATCHALL "wrote [^\n]+" pictures "${out}")
list(LENGTH pictures count)
if(NOT count EQUAL 18)
  message(FATAL_ERROR "expected 18 pictures, got ${count}:\n${out}")
endif()
string(REGEX MATCHALL "scenery [0-9] actor [0-9]: [0-9]+ pixels" lines "${out}")
list(LENGTH lines seen)
if(NOT seen EQUAL 54)
  message(FATAL_ERROR "expected 54 actor figures, got ${seen}:\n${out}")
endif()
set(faint)
foreach(line IN LISTS lines)
  string(REGEX MATCH ": ([0-9]+) pixels" _ "${line}")
  if(CMAKE_MATCH_1 LESS LEAST)
    string(APPEND faint "${line}\n")
  endif()
endforeach()
if(faint)
  message(FATAL_ERROR "actors that hardly stand out (fewer than ${LEAST} pixels):\n${faint}")
endif()
message(STATUS "pictures in ${OUT}")
