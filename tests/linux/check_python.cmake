# The Python example as a user runs it, with the system's python3 and its
# standard library only: its last frame must be the stored golden frame of
# the same scene, and its picture a PNG file. Run by ctest with PYTHON,
# SCRIPT, LIBRARY, GOLDEN and OUT.
file(REMOVE ${OUT})
execute_process(COMMAND ${PYTHON} ${SCRIPT} --library ${LIBRARY} --out ${OUT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "walk.py failed (exit ${rc})")
endif()
if(NOT out MATCHES "checksum: ([0-9a-f]+)")
  message(FATAL_ERROR "walk.py printed no checksum")
endif()
set(actual ${CMAKE_MATCH_1})
file(STRINGS ${GOLDEN} golden REGEX "^flat-8x8-512x384 ")
string(REGEX REPLACE "^[^ ]+ " "" expected "${golden}")
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "walk.py's frame has checksum ${actual}; the golden frame flat-8x8-512x384 has ${expected}")
endif()
file(READ ${OUT} signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${OUT} is not a PNG file")
endif()
