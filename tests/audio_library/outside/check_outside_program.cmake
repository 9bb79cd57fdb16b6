# Installs the audio library into a fresh prefix, builds a program outside the
# source tree with nothing but pkg-config and runs it.
# Arguments: BUILD (the build tree), WORK (a scratch folder), CXX, SOURCE,
# STD (the -std= value), PACKAGES (pkg-config modules beside "caural"), and
# HEADERS_ALONE: when set, also checks that the headers pull in no header of a
# dependency and that an older standard is refused with the headers' message.
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
separate_arguments(packages UNIX_COMMAND "caural ${PACKAGES}")
execute_process(COMMAND pkg-config --cflags --libs ${packages}
  OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know ${packages}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
get_filename_component(libdir ${pcdir} DIRECTORY)

if(HEADERS_ALONE)
  file(WRITE ${WORK}/headers.cpp "#include <caural/Aural.h>\n")
  execute_process(COMMAND ${CXX} -std=${STD} -M ${WORK}/headers.cpp ${flags}
    OUTPUT_VARIABLE deps RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the headers do not compile on their own")
  endif()
  if(deps MATCHES "(/AL/|vorbis|/ogg/)")
    message(FATAL_ERROR "the headers pull in a dependency's header (${CMAKE_MATCH_1}):\n${deps}")
  endif()
  execute_process(COMMAND ${CXX} -std=c++11 -fsyntax-only ${WORK}/headers.cpp ${flags}
    ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(rc EQUAL 0 OR NOT said MATCHES "need C\\+\\+14 or later")
    message(FATAL_ERROR "C++11 is not refused with the headers' own message:\n${said}")
  endif()
endif()

execute_process(COMMAND ${CXX} -std=${STD} -Wall -Werror ${SOURCE} ${flags} -Wl,-rpath,${libdir} -o ${WORK}/outside
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the outside program does not build against the installed library")
endif()
execute_process(COMMAND ${WORK}/outside RESULT_VARIABLE rc WORKING_DIRECTORY ${WORK})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the outside program failed")
endif()
