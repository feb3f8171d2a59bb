@echo off
rem Runs tralvinex-lookup.exe from a script and acts on its exit code.
rem
rem   lookup.bat HOST PORT DATFILE LOGDIR
rem
rem The tool is the one in the folder above this one, as the zip holds them.
rem Give LOGDIR without a trailing backslash: "C:\logs\" reaches the tool as
rem C:\logs" and its log is lost.
setlocal
"%~dp0..\tralvinex-lookup.exe" "%~1" "%~2" 9 "%~3" "%~4"
rem The exit codes of failures are negative: "if errorlevel 1" (1 or more)
rem would take every one of them for success.
if %ERRORLEVEL% NEQ 0 (
    echo tralvinex-lookup failed with %ERRORLEVEL%
    exit /b %ERRORLEVEL%
)
echo tralvinex-lookup wrote the record for %~1 to %~3
