# Runs one Qt Test program and tells CTest truly how it went: failed when the program failed,
# skipped (with what did not run, and why) when it passed but skipped anything, passed only when
# everything in it ran. Windows programs run through Wine, where QTest's own output does not
# reach the console, so the log always goes to a file and is shown from there.
#   cmake [-DEMULATOR=wine] -DPROGRAM=... -DLOG=... -P run_test.cmake
file(REMOVE "${LOG}")
# Wine's helper processes may outlive the test: they get files, not CTest's pipes, to hold.
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "${LOG},txt" RESULT_VARIABLE result
                OUTPUT_FILE "${LOG}.out" ERROR_FILE "${LOG}.err")
set(said "")
if(EXISTS "${LOG}")
    file(READ "${LOG}" said)
endif()
file(READ "${LOG}.err" errors)
message("${said}${errors}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} failed: ${result}")
endif()
if(NOT said MATCHES "Totals: ")
    message(FATAL_ERROR "${PROGRAM} ended without its totals: it did not run to its end")
endif()
string(REGEX MATCHALL "SKIP   : [^\n]*" skips "${said}")
if(skips)
    list(LENGTH skips count)
    # The words CTest looks for (SKIP_REGULAR_EXPRESSION); printed only when nothing failed.
    message("Vantoro test skipped in part: ${count} did not run")
endif()
