# Draws a level screen of the built data tree (under a display) and checks
# that the scenery, every animal, every block and the HUD were drawn.
#   cmake -DSHOT=... -DDATA=... -DOUT=... -P level_screen_check.cmake
foreach(level 1 7)
  execute_process(COMMAND ${SHOT} ${DATA} ${level} ${OUT}/level-${level}.png 30
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "level ${level}: exit status ${rc}\n${out}${err}")
  endif()
  if(NOT out MATCHES "background: drawn")
    message(FATAL_ERROR "level ${level}: no scenery\n${out}")
  endif()
  if(NOT out MATCHES "actors: ([0-9]+) of ([0-9]+) drawn" OR NOT CMAKE_MATCH_1 EQUAL CMAKE_MATCH_2
     OR CMAKE_MATCH_2 EQUAL 0)
    message(FATAL_ERROR "level ${level}: animals missing\n${out}")
  endif()
  if(NOT out MATCHES "blocks: ([0-9]+) of ([0-9]+) drawn" OR NOT CMAKE_MATCH_1 EQUAL CMAKE_MATCH_2
     OR CMAKE_MATCH_2 EQUAL 0)
    message(FATAL_ERROR "level ${level}: blocks missing\n${out}")
  endif()
  foreach(part hud scene)
    if(NOT out MATCHES "${part}: ([0-9]+) pixels" OR CMAKE_MATCH_1 LESS 2000)
      message(FATAL_ERROR "level ${level}: the ${part} was not drawn\n${out}")
    endif()
  endforeach()
endforeach()
