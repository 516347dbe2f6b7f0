@echo off
rem Registers the scanner driver s_morvanelv41.dll, each bitness the system has: the 64-bit
rem module (x64\) with the 64-bit regsvr32, the 32-bit module (x86\) with the 32-bit one. The
rem modules are registered where they are: unpack the package to its lasting folder first.
rem
rem   install.cmd [/user]
rem     /user   for the current user only (no administrator rights needed); without it, for
rem             every user of the machine (run as administrator)
rem   uninstall.cmd [/user] removes what install.cmd registered (it calls this file).
rem
rem Exit status: 0 when every step succeeded, 1 when one failed, 64 for an unknown option.
rem Kept in the OEM code page (866), in which cmd prints.
setlocal EnableExtensions
set "HERE=%~dp0"
set "SCOPE=machine"
set "ACTION=install"

:options
if "%~1"=="" goto options_done
if /i "%~1"=="/user" (
  set "SCOPE=user"
  shift
  goto options
)
if /i "%~1"=="/uninstall" (
  set "ACTION=uninstall"
  shift
  goto options
)
echo Неизвестный параметр: %~1
echo Использование: install.cmd [/user]   или   uninstall.cmd [/user]
exit /b 64
:options_done

rem The regsvr32 of each bitness. From a 32-bit cmd on 64-bit Windows, System32 is the 32-bit
rem one and the 64-bit one is reached through Sysnative.
set "REGSVR64="
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" (
  if defined PROCESSOR_ARCHITEW6432 set "REGSVR64=%SystemRoot%\Sysnative\regsvr32.exe"
) else (
  set "REGSVR64=%SystemRoot%\System32\regsvr32.exe"
  set "REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
)

set "OPTIONS=/s"
set "SELF=install.cmd"
if "%ACTION%"=="uninstall" set "OPTIONS=/s /u"
if "%ACTION%"=="uninstall" set "SELF=uninstall.cmd"
if "%SCOPE%"=="user" set "OPTIONS=%OPTIONS% /n /i:user"

if "%ACTION%%SCOPE%"=="installmachine" echo Регистрация драйвера s_morvanelv41.dll для всех пользователей
if "%ACTION%%SCOPE%"=="installuser" echo Регистрация драйвера s_morvanelv41.dll для текущего пользователя
if "%ACTION%%SCOPE%"=="uninstallmachine" echo Удаление регистрации драйвера s_morvanelv41.dll для всех пользователей
if "%ACTION%%SCOPE%"=="uninstalluser" echo Удаление регистрации драйвера s_morvanelv41.dll для текущего пользователя

set "FAILED=0"
call :step 64 x64 "%REGSVR64%"
call :step 32 x86 "%REGSVR32%"

if "%FAILED%"=="0" (
  echo Готово.
  exit /b 0
)
echo Завершено с ошибками.
if "%SCOPE%"=="machine" echo Для всех пользователей нужны права администратора; для текущего пользователя: %SELF% /user
exit /b 1

rem :step BITS FOLDER REGSVR32 - one bitness: skipped when the system has no such regsvr32.
:step
set "BITS=%~1"
set "MODULE=%HERE%%~2\s_morvanelv41.dll"
if "%~3"=="" goto step_absent
if not exist "%~3" goto step_absent
if not exist "%MODULE%" goto step_no_module
"%~3" %OPTIONS% "%MODULE%"
if errorlevel 1 goto step_failed
rem The messages name the module outside any "if": a path with parentheses ("Program Files
rem (x86)") would end the command early.
if "%ACTION%"=="uninstall" goto step_removed
echo %BITS%-разрядный модуль зарегистрирован: %MODULE%
goto :eof
:step_removed
echo Регистрация %BITS%-разрядного модуля удалена: %MODULE%
goto :eof
:step_failed
set "CODE=%ERRORLEVEL%"
set "FAILED=1"
if "%ACTION%"=="uninstall" goto step_not_removed
echo ОШИБКА: %BITS%-разрядный модуль не зарегистрирован, код %CODE%: %MODULE%
goto :eof
:step_not_removed
echo ОШИБКА: регистрация %BITS%-разрядного модуля не удалена, код %CODE%: %MODULE%
goto :eof
:step_no_module
echo ОШИБКА: нет файла %MODULE%
set "FAILED=1"
goto :eof
:step_absent
echo В системе нет %BITS%-разрядной подсистемы: %BITS%-разрядный модуль пропущен
goto :eof
