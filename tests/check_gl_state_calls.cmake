# Fails when production code switches OpenGL capabilities or client arrays
# directly instead of through the state cache, which would leave it wrong.
file(GLOB_RECURSE sources
  ${ROOT}/app/*.cpp ${ROOT}/app/*.h
  ${ROOT}/render_engine/*.cpp ${ROOT}/render_engine/*.h
  ${ROOT}/physics/*.cpp ${ROOT}/physics/*.h
  ${ROOT}/game/*.cpp ${ROOT}/game/*.h)
set(offenders "")
foreach(f IN LISTS sources)
  if(f MATCHES "GlStateCache\\.cpp$")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "(^|[^A-Za-z_])gl(Enable|Disable)(ClientState)?[ \t]*\\(")
  if(lines)
    string(APPEND offenders "${f}: ${lines}\n")
  endif()
endforeach()
if(offenders)
  message(FATAL_ERROR "OpenGL state switched outside the cache:\n${offenders}")
endif()
