# Runs one test program through Wine with its log in a file, then shows the log: under Wine
# QTest's own output does not reach the console.
# cmake -DEMULATOR=... -DPROGRAM=... -DLOG=... -P run_logged.cmake
file(REMOVE "${LOG}")
# Wine's helper processes may outlive the test: they get files, not CTest's pipes, to hold.
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "${LOG},txt" RESULT_VARIABLE result
                OUTPUT_FILE "${LOG}.out" ERROR_FILE "${LOG}.err")
if(EXISTS "${LOG}")
    file(READ "${LOG}" said)
    message("${said}")
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} failed: ${result}")
endif()
