# Writes the raw data of the _IID_ORVANEVBCOMMAND resource (a 32-bit length
# of 16, then the interface identifier in memory layout) from the header
# that widl generated, so that the identifier stays defined in the .idl only.
# Inputs: HEADER, OUTPUT.
file(STRINGS "${HEADER}" line REGEX "^DEFINE_GUID\\(IID__OrvaneVbCommand," LIMIT_COUNT 1)
string(REGEX MATCHALL "0x[0-9a-fA-F]+" parts "${line}")
list(LENGTH parts count)
if(NOT count EQUAL 11)
    message(FATAL_ERROR "no IID__OrvaneVbCommand in ${HEADER}")
endif()
list(GET parts 0 data1)
list(GET parts 1 data2)
list(GET parts 2 data3)
# windres raw data: a plain number is a 16-bit little-endian word, so the
# eight bytes of Data4 go in as four words with the bytes swapped.
set(words "")
foreach(i 3 5 7 9)
    math(EXPR j "${i} + 1")
    list(GET parts ${i} low)
    list(GET parts ${j} high)
    math(EXPR word "(${high} << 8) | ${low}" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND words ", ${word}")
endforeach()
file(WRITE "${OUTPUT}.tmp"
     "LANGUAGE 0, 0\n1 _IID_ORVANEVBCOMMAND\n{\n    16L, ${data1}L, ${data2}, ${data3}${words}\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
