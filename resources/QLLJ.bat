@echo off
rem Deletes the files in the temporary folders and prints one line for each
rem file that is gone afterwards; the output becomes the cleanup list.
rem
rem Only %TEMP%, %TMP% and %SystemRoot%\Temp are cleaned, and each only when
rem the variable is set, the folder exists, is not the root of a drive and
rem is itself named "Temp" or "Tmp". An empty or misdirected variable can
rem therefore never aim the cleanup at a drive, a profile or documents.
rem Folders that are links to elsewhere (junctions, symbolic links) are not
rem entered. Files in use, hidden files and system files stay; errors are
rem not shown.
setlocal EnableExtensions DisableDelayedExpansion

rem Paths travel in variables, never as arguments of "call", because "call"
rem would expand percent signs in them a second time.
if not defined TEMP goto :tmp
set "root=%TEMP%"
call :cleanroot
:tmp
if not defined TMP goto :system
set "root=%TMP%"
call :cleanroot
:system
if not defined SystemRoot goto :end
set "root=%SystemRoot%\Temp"
call :cleanroot
:end
endlocal
exit /b 0

rem :cleanroot - checks the folder named by "root" and cleans it if it passes.
:cleanroot
set "here="
set "name="
for %%I in ("%root%\.") do (
    set "here=%%~fI"
    set "name=%%~nxI"
)
if not defined here goto :eof
if "%here:~-1%"=="\" goto :eof
if /i "%name%"=="Temp" goto :rootok
if /i "%name%"=="Tmp" goto :rootok
goto :eof
:rootok
set "attr=-"
for %%I in ("%here%") do set "attr=%%~aI"
set "sub=%here%"
call :entersub
goto :eof

rem :entersub - cleans the folder named by "sub", whose attributes are in
rem "attr", unless it is no folder or a link. The work is done from inside
rem the folder, so that no path has to be taken apart again.
:entersub
if /i not "%attr:~0,1%"=="d" goto :eof
if /i "%attr:~8,1%"=="l" goto :eof
set "before=%cd%"
pushd "%sub%" 2>nul
if "%cd%"=="%before%" goto :eof
if /i "%cd%"=="%sub%" call :cleanfolder
popd
goto :eof

rem :cleanfolder - cleans the current folder, then its subfolders. Loop
rem variables are put in after a line has been read, so "&", ")" or "%" in
rem a name cannot change the command.
:cleanfolder
for %%F in (*) do (
    del /f /q "%%~fF" >nul 2>&1
    if not exist "%%~fF" echo %%~fF
)
for /d %%D in (*) do (
    set "attr=-"
    set "attr=%%~aD"
    set "sub=%%~fD"
    call :entersub
)
goto :eof
