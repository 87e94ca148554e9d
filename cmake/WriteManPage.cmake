# cmake -DCLI=quarnaro-cli -DGZIP=gzip -DOUT=quarnaro-cli.1.gz -P WriteManPage.cmake
# Writes the manual page the tool prints with --man, compressed, through a temporary file.
execute_process(COMMAND ${CLI} --man OUTPUT_FILE ${OUT}.roff RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quarnaro-cli --man: ${rc}")
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${OUT}.roff OUTPUT_FILE ${OUT}.part RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip: ${rc}")
endif()
file(RENAME ${OUT}.part ${OUT})
file(REMOVE ${OUT}.roff)
