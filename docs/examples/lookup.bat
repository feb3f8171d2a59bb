@echo off
rem Runs tralvinex-lookup.exe from a script and acts on its exit code.
rem
rem   lookup.bat HOST PORT DATFILE LOGDIR
rem
rem The tool is the one in the folder above this one, as the zip holds them.
rem Every value the caller gives is expanded inside quotation marks, so that
rem none of its characters (& | < > ^ and parentheses) is read as a command;
rem no host name or Windows path holds a quotation mark itself. Give LOGDIR
rem without a trailing backslash: "C:\logs\" reaches the tool as C:\logs"
rem and its log is lost.
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
