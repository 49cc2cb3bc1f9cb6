# Run by the build (cmake -P): stages the help sources converted from UTF-8 to
# GBK and the pictures of docs/ under images/, compiles them with chmcmd and
# copies the result to OUTPUT. Expects SOURCE, PICTURES, STAGE, OUTPUT,
# CHMCMD and ICONV.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/images)

file(GLOB texts ${SOURCE}/*.htm ${SOURCE}/*.hhc ${SOURCE}/*.hhk ${SOURCE}/*.hhp ${SOURCE}/*.css)
foreach(text IN LISTS texts)
    get_filename_component(name ${text} NAME)
    # iconv fails on a character GBK lacks, and so does the build.
    execute_process(COMMAND ${ICONV} -f UTF-8 -t GBK ${text}
                    OUTPUT_FILE ${STAGE}/${name} RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${text} does not convert to GBK: ${error}")
    endif()
endforeach()

file(GLOB pictures ${PICTURES}/*.png)
file(COPY ${pictures} DESTINATION ${STAGE}/images)

execute_process(COMMAND ${CHMCMD} Vantrel.hhp WORKING_DIRECTORY ${STAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0 OR NOT EXISTS ${STAGE}/Vantrel.chm)
    message(FATAL_ERROR "chmcmd failed:\n${log}")
endif()
# chmcmd reports a link to a missing file without failing; the build fails.
if(log MATCHES "[Ww]arning|[Ee]rror|not found|[Mm]issing")
    message(FATAL_ERROR "chmcmd reported a problem:\n${log}")
endif()
file(COPY_FILE ${STAGE}/Vantrel.chm ${OUTPUT})
