# Compresses the manual page IN into OUT as Debian wants it: best compression,
# no file name and no time stamp in the header, so the package builds the same
# bytes every time.
execute_process(COMMAND gzip -9 -n -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${IN}")
endif()
