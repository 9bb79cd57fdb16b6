# The level checker over a data tree whose levels name a block model, a joint
# template and a complex entity that do not exist, and list a level without
# a file: it must fail and name each file and element. Without its block the
# first level is won with no input, by any tap and by a slow run with gold;
# the solutions of the others win only silver, and the crate under the sheep
# of the third wins it whenever it is tapped, though a tap anywhere on the
# screen seldom finds it: each verdict must show.
#   cmake -DCHECK=level_check -DPLAY=level_play -DDATA=<built data tree>
#         -DFIXTURE=<fixture folder> -DOUT=<scratch> -P level_check_fixture.cmake
# The rest of the tree is linked, never copied: only what this script wrote
# itself is removed again.
include(${CMAKE_CURRENT_LIST_DIR}/link_tree.cmake)
file(REMOVE_RECURSE ${OUT}/data/levels)
link_tree(${DATA} ${OUT}/data "^(levels|gamedesign)$")
link_tree(${DATA}/gamedesign ${OUT}/data/gamedesign "^levels\\.ynm$")
file(COPY ${FIXTURE}/levels.ynm DESTINATION ${OUT}/data/gamedesign)
file(COPY ${FIXTURE}/levels DESTINATION ${OUT}/data)

execute_process(COMMAND ${CHECK} ${OUT}/data ${FIXTURE} 1 2 3 4
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "the checker passed a map with missing models (${rc}):\n${all}")
endif()
foreach(expected
    "levels/1.ynm: level 1, entity 3 \"GraniteBox\": no entity or complex entity of that name"
    "levels/2.ynm: level 1, joint 1 \"Chain\": no joint template of that name"
    "levels/3.ynm: level 1, entity 4 \"Carousel\": no entity or complex entity of that name"
    "levels/4.ynm does not exist"
    "without input it ends won"
    "one random tap wins 20 of 20 tries"
    "one aimed tap wins 20 of 20 tries"
    "a slow win scores 2721: medal 3, not bronze or silver"
    "its solution wins with medal 2, not gold (score 2148)"
    "the slow run (the solution 15 s later) ends lost"
    "level_check: 4 level(s) failed")
  string(FIND "${all}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the checker did not report: ${expected}\n${all}")
  endif()
endforeach()

# Only the aimed taps find the third level's crate.
string(REGEX MATCH "\nlevel 3:\n(  [^\n]*\n)*" third "${all}")
if(NOT third MATCHES "one aimed tap wins" OR third MATCHES "one random tap wins")
  message(FATAL_ERROR "the third level should fail on the aimed taps alone:\n${third}\n${all}")
endif()

# A level that cannot be built at all ends level_play with status 1.
execute_process(COMMAND ${PLAY} ${DATA} 9999 RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "a missing level gave exit status ${rc}, not 1")
endif()
