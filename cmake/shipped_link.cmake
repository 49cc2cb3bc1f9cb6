# The shipped programs are linked through cmake/trim_unwind_link.py, which
# leaves out the unwind entries, and so the code, of functions they never
# call (the reason is at the top of that script), and writes each program's
# link map to link-maps/ for tools/check_sizes.py. Without Python the link
# is the plain one: the same program, larger.
find_program(VANTREL_PYTHON3 python3)
if(VANTREL_PYTHON3)
    foreach(program Vantrel vantrelctl)
        set_property(TARGET ${program} PROPERTY CXX_LINKER_LAUNCHER
            ${VANTREL_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/trim_unwind_link.py
            ${PROJECT_BINARY_DIR}/link-maps/${program}.map)
    endforeach()
else()
    message(WARNING "python3 not found: the shipped programs keep the unwind entries of code they never call")
endif()
