# Reads the identifiers widl generated from the .idl, so that they stay
# defined there only, and writes what needs them:
#   RC_OUTPUT   the raw data of the _IID_ORVANEVBCOMMAND resource (a 32-bit
#               length of 16, then the interface identifier in memory layout)
#   WXS_OUTPUT  the package's WiX source from WXS_TEMPLATE (<name>.wxs.in),
#               and beside it <name>.sql from <name>.sql.in, the rows wixl
#               cannot write, with @LIBID@, @CLSID@, @IID@ and @PROGID@
#               filled in
# Inputs: HEADER, RC_OUTPUT, WXS_TEMPLATE, WXS_OUTPUT.
function(read_guid name prefix)
    file(STRINGS "${HEADER}" line REGEX "^DEFINE_GUID\\(${name}," LIMIT_COUNT 1)
    string(REGEX MATCHALL "0x[0-9a-fA-F]+" parts "${line}")
    list(LENGTH parts count)
    if(NOT count EQUAL 11)
        message(FATAL_ERROR "no ${name} in ${HEADER}")
    endif()
    set(${prefix}_PARTS "${parts}" PARENT_SCOPE)
    # The registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
    set(text "")
    set(widths 8 4 4 2 2 2 2 2 2 2 2)
    foreach(i RANGE 10)
        list(GET parts ${i} part)
        list(GET widths ${i} width)
        math(EXPR value "${part}" OUTPUT_FORMAT HEXADECIMAL)
        string(SUBSTRING "${value}" 2 -1 digits)
        string(LENGTH "${digits}" length)
        math(EXPR pad "${width} - ${length}")
        if(pad GREATER 0)
            string(REPEAT "0" ${pad} zeros)
            string(PREPEND digits "${zeros}")
        endif()
        if(i EQUAL 1 OR i EQUAL 2 OR i EQUAL 3 OR i EQUAL 5)
            string(APPEND text "-")
        endif()
        string(APPEND text "${digits}")
    endforeach()
    string(TOUPPER "{${text}}" text)
    set(${prefix} "${text}" PARENT_SCOPE)
endfunction()

read_guid(LIBID_Vantrel2 LIBID)
read_guid(CLSID_OrvaneVbCommand CLSID)
read_guid(IID__OrvaneVbCommand IID)
file(STRINGS "${HEADER}" line REGEX "^#define VANTREL2_PROGID L\"[^\"]+\"$" LIMIT_COUNT 1)
string(REGEX REPLACE "^#define VANTREL2_PROGID L\"([^\"]+)\"$" "\\1" PROGID "${line}")
if(NOT PROGID OR PROGID STREQUAL line)
    message(FATAL_ERROR "no VANTREL2_PROGID in ${HEADER}")
endif()

# windres raw data: a plain number is a 16-bit little-endian word, so the
# eight bytes of Data4 go in as four words with the bytes swapped.
list(GET IID_PARTS 0 data1)
list(GET IID_PARTS 1 data2)
list(GET IID_PARTS 2 data3)
set(words "")
foreach(i 3 5 7 9)
    math(EXPR j "${i} + 1")
    list(GET IID_PARTS ${i} low)
    list(GET IID_PARTS ${j} high)
    math(EXPR word "(${high} << 8) | ${low}" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND words ", ${word}")
endforeach()
file(WRITE "${RC_OUTPUT}.tmp"
     "LANGUAGE 0, 0\n1 _IID_ORVANEVBCOMMAND\n{\n    16L, ${data1}L, ${data2}, ${data3}${words}\n}\n")
file(COPY_FILE "${RC_OUTPUT}.tmp" "${RC_OUTPUT}" ONLY_IF_DIFFERENT)
configure_file("${WXS_TEMPLATE}" "${WXS_OUTPUT}" @ONLY)
string(REGEX REPLACE "\\.wxs\\.in$" ".sql.in" sql_template "${WXS_TEMPLATE}")
string(REGEX REPLACE "\\.wxs$" ".sql" sql_output "${WXS_OUTPUT}")
configure_file("${sql_template}" "${sql_output}" @ONLY)
