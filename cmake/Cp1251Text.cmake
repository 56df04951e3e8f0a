# Writes a UTF-8 text as Windows-1251 with CR LF line ends, the form Notepad
# and the Russian Windows console read. A character that Windows-1251 lacks
# is an error, never a '?' in the file.
# Usage: cmake -DICONV=iconv -DINPUT=text.txt -DOUTPUT=text-1251.txt -P Cp1251Text.cmake
foreach(variable ICONV INPUT OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "Cp1251Text: ${variable} is not set")
    endif()
endforeach()

file(READ "${INPUT}" text)
if(text MATCHES "\r")
    message(FATAL_ERROR "${INPUT}: the text has CR characters; keep it with LF line ends")
endif()
if(NOT text MATCHES "\n$")
    message(FATAL_ERROR "${INPUT}: the last line has no line end")
endif()

set(converted "${OUTPUT}.cp1251")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t WINDOWS-1251
    INPUT_FILE "${INPUT}" OUTPUT_FILE "${converted}"
    RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
    file(REMOVE "${converted}")
    message(FATAL_ERROR "${INPUT}: not a UTF-8 text that Windows-1251 can hold: ${error}")
endif()

file(READ "${converted}" text)
file(REMOVE "${converted}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
