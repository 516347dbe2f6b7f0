' A minimal VBScript host of the scanner driver "Ovex.MorvanelV41": a VBScript class as the
' equipment manager, then Init, Open, SetSettings, Enable, GetDeviceInfo, Disable and Close.
'
'   cscript //nologo host.vbs [COM_PORT]     (default 1: the scanner's RS232 port)
'
' Run it with the script host of the driver's bitness (a 32-bit cscript needs the x86 module).
' Each step prints "PASS step" or "FAIL step: code description"; the last line is DONE.
' The script runs straight to Close, so no scan reaches DataEvent below (it reads the queue
' with GetScanData instead). To receive scans, wait after Enable in a loop of WScript.Sleep,
' which handles the thread's messages while it sleeps (docs/integrating.md, section 5).
Option Explicit

Class EquipmentManager
  ' Every call starts with the DeviceID given to Open. Answer True for what you handle.
  Public Function DataEvent(DeviceID, EventName, Data, ExtData)
    ' EventName "ScanData"; Data the barcode; ExtData the array (barcode, label, type).
    WScript.Echo "scanned on " & DeviceID & ": " & Data
    DataEvent = True        ' False refuses it: the barcode stays queued for GetScanData
  End Function
  Public Function ErrorEvent(DeviceID, ErrorName, Description, ExtData)
    WScript.Echo "device error " & ErrorName & ": " & Description
    ErrorEvent = True
  End Function
  Public Function GetAppProperty(DeviceID, PropName, Value)
    ' Value is written back (by reference): the host's folders and language.
    Select Case PropName
      Case "ModelsFolder": Value = folder & "\Models\"
      Case "DevicesFolder": Value = folder & "\Devices\"
      Case "Language": Value = "ru"
      Case Else: GetAppProperty = False: Exit Function
    End Select
    GetAppProperty = True
  End Function
  Public Function WriteLog(DeviceID, Name, Text, EventType)
    WriteLog = True
  End Function
  Public Function MessageDlg(DeviceID, Text, MsgType, Buttons, TimeOut)
    MessageDlg = 0
  End Function
  Public Function InputDataDlg(DeviceID, Caption, DefaultText, Description, Mask, Password, TimeOut)
    InputDataDlg = DefaultText
  End Function
  Public Function TaskState(DeviceID, Percent, Description)
    TaskState = True
  End Function
End Class

Dim folder, port, manager, driver, description, outData, settings, table, i, info, failed
folder = CreateObject("WScript.Shell").ExpandEnvironmentStrings("%TEMP%")
port = 1
If WScript.Arguments.Count > 0 Then port = CInt(WScript.Arguments(0))
failed = False

' A public method answers True, or False with OutData = Array(code, description).
Sub Report(ok, stepName)
  If ok Then
    WScript.Echo "PASS " & stepName
  ElseIf IsArray(outData) Then
    WScript.Echo "FAIL " & stepName & ": " & outData(0) & " " & outData(1)
    failed = True
  Else
    WScript.Echo "FAIL " & stepName & ": " & description
    failed = True
  End If
End Sub

' Sets one setting in the table GetSettings gave (row 0 the IDs, row 1 the values).
Sub SetValue(id, value)
  For i = 0 To UBound(table, 2)
    If LCase(table(0, i)) = LCase(id) Then table(1, i) = value
  Next
End Sub

Set manager = New EquipmentManager
Set driver = CreateObject("Ovex.MorvanelV41")

' Init and Open take their own arguments: the last one receives the description.
description = ""
Report driver.Init(manager, description), "Init"
Report driver.Open("scanner1", description), "Open"

' The other methods take (InData, OutData, TimeOut); OutData must be a variable.
Report driver.GetSettings(Empty, settings, 0), "GetSettings"
table = settings(0)
SetValue "InterfaceType", 0          ' 0 RS232, 1 keyboard
SetValue "PortNumber", port
SetValue "Baud", 9600
SetValue "AutoDisableDataEvent", False
settings(0) = table
Report driver.SetSettings(settings, outData, 0), "SetSettings"

Report driver.Enable(Empty, outData, 0), "Enable"
If driver.GetDeviceInfo(Empty, info, 0) Then
  WScript.Echo "PASS GetDeviceInfo: " & info(0) & ", " & info(2) & " " & info(3) & "." & info(4) & "." & info(5)
Else
  WScript.Echo "FAIL GetDeviceInfo"
  failed = True
End If
' Scans that came while no event could reach this script wait in the queue.
If driver.GetScanData(Empty, outData, 0) Then
  WScript.Echo "queued scan: " & outData(0)
ElseIf IsArray(outData) Then
  WScript.Echo "queue: " & outData(0) & " " & outData(1)
End If
Report driver.Disable(Empty, outData, 0), "Disable"
Report driver.Close(), "Close"
Set driver = Nothing
WScript.Echo "DONE"
