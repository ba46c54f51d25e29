# The command-line programs on Windows: tavro-tape-encode writes a recording
# and tavro-tape-cli converts it back, with file names in Czech passed on the
# command line. Checks that "test.dat" holds the encoded bytes.
#
#   cmake -DEMULATOR=<wine or empty> -DENCODE=<exe> -DCLI=<exe> -DWORK=<folder>
#         -P CliRoundTrip.cmake
cmake_minimum_required(VERSION 3.25)

set(folder "${WORK}/Nahrávky ř")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${folder}")
string(REPEAT "Tavro tape round trip: 0123456789 abcdefghij.\n" 20 data)
file(WRITE "${folder}/data ž.bin" "${data}")

execute_process(COMMAND ${EMULATOR} ${ENCODE} --bits 16 --name ROUND -- "data ž.bin" "záznam ř.wav"
                WORKING_DIRECTORY "${folder}" RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "${folder}/záznam ř.wav")
  message(FATAL_ERROR "tavro-tape-encode failed (${result})")
endif()
execute_process(COMMAND ${EMULATOR} ${CLI} "záznam ř.wav"
                WORKING_DIRECTORY "${folder}" RESULT_VARIABLE result OUTPUT_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "tavro-tape-cli failed (${result})")
endif()

# The record header that --name puts first, then the data.
file(READ "${folder}/test.dat" converted HEX)
file(READ "${folder}/data ž.bin" expected HEX)
string(LENGTH "${converted}" converted_length)
string(LENGTH "${expected}" expected_length)
math(EXPR header_length "${converted_length} - ${expected_length}")
if(header_length LESS 0)
  message(FATAL_ERROR "test.dat is shorter than the data")
endif()
string(SUBSTRING "${converted}" ${header_length} -1 converted_data)
if(NOT converted_data STREQUAL expected)
  message(FATAL_ERROR "test.dat does not end with the encoded data")
endif()
file(REMOVE_RECURSE "${WORK}")
message("cli round trip: ok")
