# Writes OUT, a header defining VANTREL_BUILD_DATE: the date (UTC, as
# "2026年12月7日") of SOURCE_DATE_EPOCH, or else of the last commit of the
# sources in SOURCE, so that two builds of one commit say the same date and
# make dist stays reproducible; empty when neither can be had. The file is
# rewritten only when the date changes, so nothing is rebuilt otherwise.
#   cmake -DSOURCE=dir -DOUT=file -P build_date.cmake
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$")
    execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        set(epoch "")
    endif()
endif()
set(date "")
if(epoch MATCHES "^[0-9]+$")
    # string(TIMESTAMP) reads the time from SOURCE_DATE_EPOCH when it is set.
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    string(TIMESTAMP year "%Y" UTC)
    string(TIMESTAMP month "%m" UTC)
    string(TIMESTAMP day "%d" UTC)
    string(REGEX REPLACE "^0" "" month "${month}")
    string(REGEX REPLACE "^0" "" day "${day}")
    set(date "${year}年${month}月${day}日")
endif()
file(WRITE "${OUT}.new" "#define VANTREL_BUILD_DATE \"${date}\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.new" "${OUT}")
file(REMOVE "${OUT}.new")
