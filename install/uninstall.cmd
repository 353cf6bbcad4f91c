@echo off
rem Removes what install.cmd installed: the registry entries of TorvexFF
rem and TorvexPS, and the two DLLs in the system folder. The calibration
rem the property sheet stored belongs to DirectInput and stays. Run it as
rem an administrator.
setlocal
set "target=%SystemRoot%\System32"
regedit /s "%~dp0TorvexRemove.reg"
if errorlevel 1 goto noregistry
if exist "%target%\TorvexFF.dll" del /f "%target%\TorvexFF.dll"
if exist "%target%\TorvexPS.dll" del /f "%target%\TorvexPS.dll"
if exist "%target%\TorvexFF.dll" goto inuse
if exist "%target%\TorvexPS.dll" goto inuse
echo The ZK-5120 Force Feedback Wheel's software is removed.
exit /b 0

:noregistry
echo Cannot remove the registry entries: run this as an administrator.
exit /b 1
:inuse
echo Cannot delete the DLLs in %target%: close the games and the control panel that use them.
exit /b 1
