' Drives the registered driver as a host does, with a VBScript class object as the equipment
' manager: Init, Open, the device information, the settings table both ways, the scanner
' methods and the call trace. Prints PASS/FAIL lines, then DONE.
Option Explicit

Sub Report(ok, what)
  If ok Then
    WScript.Echo "PASS vbs: " & what
  Else
    WScript.Echo "FAIL vbs: " & what
  End If
End Sub

Class EquipmentManager
  Public Calls
  Private Sub Class_Initialize()
    Calls = ""
  End Sub
  Public Function GetAppProperty(DeviceID, PropName, Value)
    Calls = Calls & "GetAppProperty:" & PropName & ";"
    Select Case PropName
      Case "ModelsFolder": Value = "C:\Models"
      Case "DevicesFolder": Value = "C:\Devices"
      Case "Language": Value = "ru"
    End Select
    GetAppProperty = True
  End Function
  Public Function DataEvent(DeviceID, EventName, Data, ExtData)
    Calls = Calls & "DataEvent:" & EventName & ":" & Data & ";"
    DataEvent = True
  End Function
  Public Function WriteLog(DeviceID, Name, Text, EventType)
    WriteLog = True
  End Function
End Class

Const noErrors = "Нет ошибок"
Const badParameters = "Ошибка входных параметров команды"
Const bufferEmpty = "Буфер данных пуст"

Dim manager, driver, description, result, info, settings, table, out, i, found

On Error Resume Next
Set manager = New EquipmentManager
Set driver = CreateObject("Ovex.MorvanelV41")
Report Err.Number = 0, "CreateObject " & Err.Description

description = ""
result = driver.Init(manager, description)
Report Err.Number = 0 And result = True, "Init answers True"
Report description = noErrors, "Init's argument 2 is the text of code 0"
Report InStr(manager.Calls, "GetAppProperty:ModelsFolder;") > 0 And _
       InStr(manager.Calls, "GetAppProperty:Language;") > 0, "Init asks the manager for ModelsFolder and Language (" & manager.Calls & ")"

description = ""
result = driver.Open("dev1", description)
Report result = True And description = noErrors, "Open answers True"
Report InStr(manager.Calls, "GetAppProperty:DevicesFolder;") > 0, "Open asks for DevicesFolder"

result = driver.GetDeviceInfo(Empty, info, 0)
Report result = True And IsArray(info), "GetDeviceInfo answers an array"
Report UBound(info) = 14, "GetDeviceInfo gives 15 values"
Report info(0) = "Scanner", "the device type is Scanner"

result = driver.GetSettings(Empty, settings, 0)
Report result = True And IsArray(settings), "GetSettings answers an array"
table = settings(0)
Report UBound(table, 1) = 6, "the settings table has rows 0 to 6"
Report UBound(table, 2) = 17, "the settings table has one column for each of the 18 settings (" & UBound(table, 2) & ")"
Report table(0, 0) = "DefaultTimeOut" And table(2, 0) = "Number" And table(1, 0) = 120, "column 0 is DefaultTimeOut"

found = -1
For i = 0 To UBound(table, 2)
  If table(0, i) = "DebugLogEnabled" Then found = i
Next
table(1, found) = True
settings(0) = table
result = driver.SetSettings(settings, out, 0)
Report result = True, "SetSettings answers True"
result = driver.getsettings(Empty, settings, 0)
table = settings(0)
Report table(1, found) = True, "SetSettings round-trips (names in any letter case resolve)"

result = driver.ENABLE(Empty, out, 0)
Report result = True, "Enable answers True"
result = driver.GetDataCount("Проверка", out, 0)
Report result = True And out(0) = 0, "GetDataCount on an empty queue gives 0"

result = driver.GetScanData(Empty, out, 0)
Report result = False, "GetScanData on an empty queue answers False"
Report IsArray(out), "its OutData is the error array"
Report out(0) = 2001 And out(1) = bufferEmpty, "the error array is [2001, the text of 2001]"

result = driver.EnableDataEvents("not an array", out, 0)
Report result = False And out(0) = 1004 And out(1) = badParameters, "EnableDataEvents with a non-array answers 1004"
result = driver.EnableDataEvents(Array(True), out, 0)
Report result = True, "EnableDataEvents with Array(True) answers True"

result = driver.Disable(Empty, out, 0)
Report result = True, "Disable answers True"
result = driver.Close()
Report result = True, "Close answers True"

description = ""
result = driver.Open("dev1", description)
Report Err.Number <> 0, "Open after Close fails as an automation error: " & Err.Description
Err.Clear

WScript.Echo "DONE"
