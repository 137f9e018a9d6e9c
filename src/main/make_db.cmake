# Gives a fresh build a usable, empty school file beside the window program. An existing
# file is never touched. Called with -DCLI=<tavrin-cli> -DDB=<path>.
if(NOT EXISTS "${DB}")
  execute_process(COMMAND "${CLI}" init "${DB}" RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tavrin-cli init ${DB} failed (${rc})")
  endif()
endif()
