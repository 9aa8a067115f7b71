# Turns a translation source (UTF-8, any line ends) into its resource form: the maker's site filled
# in, lines separated by CR LF, no line break after the last line, in the language's code page.
# Usage: cmake -DSOURCE= -DOUTPUT= -DCODEPAGE= -DMAKER_SITE= -DICONV= -P make_translation.cmake
cmake_minimum_required(VERSION 3.25)
file(READ ${SOURCE} text)
string(REPLACE "@MAKER_SITE@" "${MAKER_SITE}" text "${text}")
string(REPLACE "\r\n" "\n" text "${text}")
string(REGEX REPLACE "\n+$" "" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
set(utf8 ${OUTPUT}.utf8)
file(WRITE ${utf8} "${text}")
execute_process(COMMAND ${ICONV} -f UTF-8 -t ${CODEPAGE} ${utf8}
    OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "${SOURCE}: cannot convert to ${CODEPAGE}: ${err}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
file(REMOVE ${utf8})
