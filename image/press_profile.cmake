# Builds the press profile of the CMYK print-shop file and writes it as a C++ array.
#
# FOGRA39 is the press condition offset shops name most (ISO 12647-2:2004/Amd 1, coated
# paper). Debian packages no .icc for it, only Fogra's measurements (icc-profiles-free's
# FOGRA39L.ti3), from which ArgyllCMS's colprof builds one: total ink at most 330 %, the
# black generated as a ramp (colprof's default), medium quality tables. colprof stamps the
# profile with the time it ran; the header gets the measurements' date instead, so every
# build makes the same bytes.
#
# cmake -DCOLPROF=... -DMEASUREMENTS=.../FOGRA39L.ti3 -DWORK=<dir> -DOUTPUT=<file.cpp> -P press_profile.cmake
file(MAKE_DIRECTORY ${WORK})
configure_file(${MEASUREMENTS} ${WORK}/FOGRA39L.ti3 COPYONLY)
execute_process(
    COMMAND ${COLPROF} -qm -kr -l330 -L100
        -D "Coated FOGRA39 (ISO 12647-2:2004/Amd 1), built with ArgyllCMS"
        -C "Made from Fogra's FOGRA39L characterization data" FOGRA39L
    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "colprof could not build the FOGRA39 profile (${status})")
endif()
file(READ ${WORK}/FOGRA39L.icc hex HEX)
# Header bytes 24 to 35: 2006-12-01 00:00:00, the date of Fogra's data.
string(SUBSTRING "${hex}" 0 48 head)
string(SUBSTRING "${hex}" 72 -1 rest)
string(CONCAT hex "${head}" "07d6000c0001000000000000" "${rest}")
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}.new
    "// Made by image/press_profile.cmake from FOGRA39L.ti3: the press profile's ICC bytes.\n"
    "#include <cstddef>\n"
    "extern const unsigned char PRESS_PROFILE_DATA[] = {${bytes}};\n"
    "extern const size_t PRESS_PROFILE_SIZE = ${size};\n")
file(RENAME ${OUTPUT}.new ${OUTPUT})
