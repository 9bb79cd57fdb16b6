# Installs the audio library into a fresh prefix, builds a program outside the
# source tree with nothing but `pkg-config --cflags --libs caural` and runs it.
# Arguments: BUILD (the build tree), WORK (a scratch folder), CXX, SOURCE.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix --component caural
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
file(GLOB_RECURSE pc ${WORK}/prefix/*/caural.pc)
if(NOT pc)
  message(FATAL_ERROR "no caural.pc installed")
endif()
get_filename_component(pcdir ${pc} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
execute_process(COMMAND pkg-config --cflags --libs caural
  OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know caural")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
get_filename_component(libdir ${pcdir} DIRECTORY)
execute_process(COMMAND ${CXX} -std=c++20 -Wall -Werror ${SOURCE} ${flags} -Wl,-rpath,${libdir} -o ${WORK}/outside
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the outside program does not build against the installed library")
endif()
execute_process(COMMAND ${WORK}/outside RESULT_VARIABLE rc WORKING_DIRECTORY ${WORK})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the outside program failed")
endif()
