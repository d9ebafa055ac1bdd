# Runs one fuzzer over every file of its seed corpus (cmake -P). Given as
# files, not as a folder, so libFuzzer executes them and writes nothing.
file(GLOB seeds LIST_DIRECTORIES false "${CORPUS}/*")
if(NOT seeds)
    message(FATAL_ERROR "no seeds in ${CORPUS}")
endif()
execute_process(COMMAND ${FUZZER} -timeout=60 ${seeds} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed on its corpus (${status})")
endif()
