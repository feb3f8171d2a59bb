@echo off
rem Runs tralvinex-lookup.exe from a script and acts on its exit code.
rem
rem   lookup.bat HOST PORT DATFILE LOGDIR
rem
rem The tool is the one in the folder above this one, as the zip holds them.
rem Every value the caller gives is expanded inside quotation marks, with
rem delayed expansion off, so that & | < > ^ ! and parentheses in it are data.
rem No batch file can take a value that holds ", % or a line break (CR, LF):
rem the caller's own cmd.exe reads its command line, and expands % in it,
rem before this file runs, so such a value is cut, changed or run as a
rem command first. Refuse such values before calling (no host name holds
rem them); a path that holds % goes to the .exe directly, through
rem CreateProcessW (see lookup-caller.c). Give LOGDIR without a trailing
rem backslash: "C:\logs\" reaches the tool as C:\logs" and its log is lost.
setlocal EnableExtensions DisableDelayedExpansion
rem A variable named ERRORLEVEL would hide the exit code: drop any.
set "ERRORLEVEL="
"%~dp0..\tralvinex-lookup.exe" "%~1" "%~2" 9 "%~3" "%~4"
set "CODE=%ERRORLEVEL%"
rem The exit codes of failures are negative: "if errorlevel 1" (1 or more)
rem would take every one of them for success.
if "%CODE%" NEQ "0" (
    echo tralvinex-lookup failed with %CODE%
    exit /b %CODE%
)
echo tralvinex-lookup wrote the record for "%~1" to "%~3"
