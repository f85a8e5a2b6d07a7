# The demo's test: the scripted walk in both modes through the library, a
# screenshot of each, and the frame checksums compared with the native
# replay of the same calls. Run by ctest with:
#   EMULATOR (wine), DEMO, REPLAY, ASSETS, OUT, FRAMES, EVERY
file(MAKE_DIRECTORY ${OUT})
math(EXPR expected "${FRAMES} / ${EVERY}")
set(skipped "")

foreach(mode 1 2)
  set(png ${OUT}/walk-mode${mode}.png)
  file(REMOVE ${png})
  execute_process(
    COMMAND ${EMULATOR} ${DEMO} --walk --mode ${mode} --frames ${FRAMES} --checksum ${EVERY} --screenshot ${png}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("demo, mode ${mode}:\n${out}${err}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the demo failed in mode ${mode} (exit ${rc})")
  endif()
  if(NOT EXISTS ${png})
    message(FATAL_ERROR "the demo wrote no screenshot ${png}")
  endif()
  string(REGEX MATCHALL "checksum frame [0-9]+ mode [0-9]+ [0-9a-f]+" demoSums "${out}")
  list(LENGTH demoSums count)
  if(NOT count EQUAL expected)
    message(FATAL_ERROR "the demo printed ${count} checksums in mode ${mode}, expected ${expected}")
  endif()

  if(NOT EXISTS ${REPLAY})
    set(skipped "${REPLAY} is not built")
    continue()
  endif()
  execute_process(
    COMMAND ${REPLAY} --assets ${ASSETS} --mode ${mode} --frames ${FRAMES} --checksum ${EVERY}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the native replay failed in mode ${mode} (exit ${rc}):\n${out}${err}")
  endif()
  string(REGEX MATCHALL "checksum frame [0-9]+ mode [0-9]+ [0-9a-f]+" nativeSums "${out}")
  if(NOT demoSums STREQUAL nativeSums)
    string(REPLACE ";" "\n  " demoText "${demoSums}")
    string(REPLACE ";" "\n  " nativeText "${nativeSums}")
    message(FATAL_ERROR "frames differ between the demo and the native build in mode ${mode}:\n"
                        "window:\n  ${demoText}\nnative:\n  ${nativeText}")
  endif()
  message("mode ${mode}: ${count} frames identical to the native build")
endforeach()

if(skipped)
  message("SKIPPED: the demo ran, but ${skipped}, so its frames were not compared (run make native)")
endif()
