' What a host sees of the driver: creates it by its ProgID, as the point-of-sale host does,
' and tells for each of the host's methods whether the object answers to that name.
' A name is probed by calling it without arguments. The error that a call to a surely missing
' member raises is learnt first: a method that fails the same way is not available; any other
' outcome (it returns, or raises another error such as a wrong argument count) means the name
' resolved. Prints PASS/FAIL lines for its own checks (the object was created, every method was
' told about), then DONE.
Option Explicit

Const PROG_ID = "Ovex.MorvanelV41"

Dim obj, names, name, result, available, total, missingNumber, missingText

Sub CallWithoutArguments(o, n)
  Select Case n
    Case "Init": o.Init
    Case "Open": o.Open
    Case "Close": o.Close
    Case "ShowSettingsDlg": o.ShowSettingsDlg
    Case "GetDeviceInfo": o.GetDeviceInfo
    Case "Enable": o.Enable
    Case "Disable": o.Disable
    Case "GetSettings": o.GetSettings
    Case "SetSettings": o.SetSettings
    Case "CheckHealth": o.CheckHealth
    Case "EnableDataEvents": o.EnableDataEvents
    Case "GetDataCount": o.GetDataCount
    Case "GetScanData": o.GetScanData
    Case Else: o.NoSuchMember_Probe
  End Select
End Sub

Function ErrText()
  ErrText = "Err " & Err.Number & " (0x" & Hex(Err.Number) & "): " & Err.Description
End Function

Function Probe(o, n)
  On Error Resume Next
  Err.Clear
  CallWithoutArguments o, n
  If Err.Number = 0 Then
    Probe = "available (a call without arguments returned)"
  ElseIf Err.Number = missingNumber Then
    Probe = "not available (" & ErrText() & ")"
  Else
    Probe = "available (a call without arguments raised " & ErrText() & ")"
  End If
  Err.Clear
End Function

names = Array("Init", "Open", "Close", "ShowSettingsDlg", "GetDeviceInfo", "Enable", "Disable", _
  "GetSettings", "SetSettings", "CheckHealth", "EnableDataEvents", "GetDataCount", "GetScanData")

WScript.Echo "CreateObject(""" & PROG_ID & """)"
On Error Resume Next
Set obj = CreateObject(PROG_ID)
If Err.Number <> 0 Or Not IsObject(obj) Then
  WScript.Echo "object created: no (" & ErrText() & ")"
  WScript.Echo "FAIL demo.vbs: object created"
Else
  WScript.Echo "object created: yes"
  WScript.Echo "TypeName: " & TypeName(obj)

  Err.Clear
  CallWithoutArguments obj, ""
  missingNumber = Err.Number
  If missingNumber = 0 Then
    WScript.Echo "a missing member: obj.NoSuchMember_Probe raised no error"
  Else
    WScript.Echo "a missing member: obj.NoSuchMember_Probe raises " & ErrText()
  End If
  Err.Clear

  available = 0
  total = 0
  For Each name In names
    result = Probe(obj, name)
    If Left(result, 9) = "available" Then available = available + 1
    total = total + 1
    WScript.Echo "method " & name & ": " & result
  Next
  WScript.Echo "host methods available: " & available & " of " & total
  WScript.Echo "PASS demo.vbs: object created"
  If total = UBound(names) + 1 Then
    WScript.Echo "PASS demo.vbs: told about all " & total & " host methods"
  Else
    WScript.Echo "FAIL demo.vbs: told about all " & (UBound(names) + 1) & " host methods (only " & total & ")"
  End If
  Set obj = Nothing
End If

WScript.Echo "DONE"
