@echo off
rem Installs the ZK-5120 Force Feedback Wheel's software on Windows: copies
rem TorvexFF.dll and TorvexPS.dll into the system folder and writes their
rem registry entries. Run it as an administrator:
rem
rem   install.cmd [folder holding the two DLLs]
rem
rem The folder defaults to this script's own. Use DLLs built for the
rem Windows they go into (a 32-bit build on 64-bit Windows: see the README).
setlocal
set "source=%~1"
if "%source%"=="" set "source=%~dp0"
if not "%source:~-1%"=="\" set "source=%source%\"
set "target=%SystemRoot%\System32"

if not exist "%source%TorvexFF.dll" goto missing
if not exist "%source%TorvexPS.dll" goto missing
copy /y "%source%TorvexFF.dll" "%target%\TorvexFF.dll" >nul
if errorlevel 1 goto nocopy
copy /y "%source%TorvexPS.dll" "%target%\TorvexPS.dll" >nul
if errorlevel 1 goto nocopy
regedit /s "%~dp0TorvexFF.reg"
if errorlevel 1 goto noregistry
regedit /s "%~dp0TorvexPS.reg"
if errorlevel 1 goto noregistry
echo The ZK-5120 Force Feedback Wheel's software is installed.
exit /b 0

:missing
echo TorvexFF.dll and TorvexPS.dll must both be in %source%
exit /b 1
:nocopy
echo Cannot copy the DLLs into %target%: run this as an administrator.
exit /b 1
:noregistry
echo Cannot write the registry entries: run this as an administrator.
exit /b 1
