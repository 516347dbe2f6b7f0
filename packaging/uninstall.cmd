@echo off
rem Removes the registration of the scanner driver s_morvanelv41.dll that install.cmd made, for
rem each bitness the system has.
rem   uninstall.cmd [/user]   /user: the current user's registration instead of the machine's
rem Exit status: 0 when every step succeeded, 1 when one failed.
call "%~dp0install.cmd" /uninstall %*
exit /b %ERRORLEVEL%
