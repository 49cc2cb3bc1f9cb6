# The names that the program, its help file and its setup program share: the
# program key, the start-at-logon value, the help file and the main window's
# class. The program's sources define each of them once; the help and setup
# builds read them from there, so a rename cannot leave the setup program
# writing a value the program never reads. tests/install/ checks the result
# in what was installed.

# Sets `out` to the text of the C string literal on the line of `file` that
# matches `pattern` (the part before the literal), with C's "\\" undone.
function(vantrel_read_name out file pattern)
    file(STRINGS ${file} lines REGEX "${pattern} *= *\"")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "${file}: expected one definition matching '${pattern}', found ${count}")
    endif()
    string(REGEX REPLACE "^.*${pattern} *= *\"([^\"]*)\".*$" "\\1" value "${lines}")
    string(REPLACE "\\\\" "\\" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

vantrel_read_name(VANTREL_PROGRAM_KEY ${PROJECT_SOURCE_DIR}/store/task_store.cpp "kProgramKeyPath")
vantrel_read_name(VANTREL_RUN_KEY ${PROJECT_SOURCE_DIR}/store/task_store.cpp "kRunKeyPath")
vantrel_read_name(VANTREL_RUN_VALUE ${PROJECT_SOURCE_DIR}/store/task_store.cpp "kRunValueName")
vantrel_read_name(VANTREL_HELP_FILE ${PROJECT_SOURCE_DIR}/app/tray_commands_win.cpp "kHelpFile\\[\\]")
vantrel_read_name(VANTREL_MAIN_CLASS ${PROJECT_SOURCE_DIR}/app/main_window_win.cpp "MainWindow::kClassName")
vantrel_read_name(VANTREL_INSTANCE_PROPERTY ${PROJECT_SOURCE_DIR}/app/main_window_win.cpp "kInstanceProperty\\[\\]")
# Registry paths without their leading backslash, as reg files and NSIS write them.
string(REGEX REPLACE "^\\\\" "" VANTREL_PROGRAM_KEY "${VANTREL_PROGRAM_KEY}")
string(REGEX REPLACE "^\\\\" "" VANTREL_RUN_KEY "${VANTREL_RUN_KEY}")
