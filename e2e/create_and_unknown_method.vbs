' Creates the driver by its ProgID as a late-bound host does, calls members it does not have,
' and checks that two creations give two objects. Prints PASS/FAIL lines, then DONE.
Option Explicit

Const PROG_ID = "Ovex.MorvanelV41"

Sub Report(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Function ErrText()
  ErrText = "Err " & Err.Number & " (0x" & Hex(Err.Number) & "): " & Err.Description
End Function

Dim a, b, c, x, number

On Error Resume Next

Set a = CreateObject(PROG_ID)
Report Err.Number = 0 And IsObject(a), "vbs: CreateObject(""" & PROG_ID & """) " & ErrText()
If IsObject(a) Then
  Err.Clear
  a.NoSuchMethod 1, 2, 3
  number = Err.Number
  Report number <> 0, "vbs: a.NoSuchMethod 1, 2, 3 raises a runtime error: " & ErrText()

  Err.Clear
  x = a.NoSuchFunction("text", 2.5)
  Report Err.Number <> 0, "vbs: x = a.NoSuchFunction(""text"", 2.5) raises a runtime error: " & ErrText()

  Err.Clear
  x = a.NoSuchProperty
  Report Err.Number <> 0, "vbs: x = a.NoSuchProperty raises a runtime error: " & ErrText()

  Err.Clear
  a.NoSuchMethod
  Report Err.Number <> 0 And Err.Number = number, "vbs: a second call to the missing member raises the same error: " & ErrText()

  Err.Clear
  Set b = CreateObject(PROG_ID)
  Report Err.Number = 0 And IsObject(b), "vbs: a second CreateObject succeeds: " & ErrText()
  If IsObject(b) Then
    Report Not (a Is b), "vbs: the two objects are distinct (a Is b = " & (a Is b) & ")"
  End If
  Set c = a
  Report c Is a, "vbs: an object is itself (c = a: c Is a = " & (c Is a) & ")"

  Err.Clear
  Set c = Nothing
  Set b = Nothing
  Set a = Nothing
  Report Err.Number = 0, "vbs: releasing the objects: " & ErrText()
End If

WScript.Echo "DONE"
