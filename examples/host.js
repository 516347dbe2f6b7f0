// A minimal JScript host of the scanner driver "Ovex.MorvanelV41": a JScript object as the
// equipment manager, then Init, Open, SetSettings, Enable, GetDeviceInfo, Disable and Close.
//
//   cscript //nologo host.js
//
// JScript passes every argument by value: it never sees OutData or the description of Init and
// Open (only the True/False answer), its manager cannot write GetAppProperty's value back, and
// it cannot make the two-dimensional array SetSettings takes, so the driver keeps its settings
// (RS232 on COM1 at 9600 baud unless a host in another language or the settings dialog changed
// them in this object). Prints "PASS step" or "FAIL step" lines and DONE last. Like any script
// run by cscript it ends before a scan could arrive: see docs/integrating.md for events.

function report(ok, step) {
  WScript.Echo((ok ? "PASS " : "FAIL ") + step);
}

var manager = {
  // Every call starts with the DeviceID given to Open.
  DataEvent: function (deviceId, eventName, data, extData) {
    // eventName "ScanData", data the barcode; extData the array (barcode, label, type):
    // new VBArray(extData).toArray() reads it.
    WScript.Echo("scanned on " + deviceId + ": " + data);
    return true;  // false refuses it: the barcode stays queued for GetScanData
  },
  ErrorEvent: function (deviceId, errorName, description, extData) {
    WScript.Echo("device error " + errorName + ": " + description);
    return true;
  },
  // JScript cannot write the value back: answering false tells the driver there is none.
  GetAppProperty: function (deviceId, propName, value) { return false; },
  WriteLog: function (deviceId, name, text, eventType) { return true; },
  MessageDlg: function (deviceId, text, msgType, buttons, timeOut) { return 0; },
  InputDataDlg: function (deviceId, caption, defaultText, description, mask, password, timeOut) {
    return defaultText;
  },
  TaskState: function (deviceId, percent, description) { return true; }
};

try {
  var driver = new ActiveXObject("Ovex.MorvanelV41");
  report(driver.Init(manager, "") === true, "Init");
  report(driver.Open("scanner1", "") === true, "Open");
  // A JScript array arrives as an object, not as the two-dimensional array: refused with 1004.
  report(driver.SetSettings([["InterfaceType", "PortNumber"], [0, 1]], null, 0) === false,
         "SetSettings refuses a JScript array (the settings stay as they are)");
  report(driver.Enable(null, null, 0) === true, "Enable");
  report(driver.GetDeviceInfo(null, null, 0) === true, "GetDeviceInfo");
  // A one-element JScript array is read as InData's first element.
  report(driver.EnableDataEvents([true], null, 0) === true, "EnableDataEvents [true]");
  report(driver.Disable(null, null, 0) === true, "Disable");
  report(driver.Close() === true, "Close");
} catch (e) {
  report(false, "the driver answered with an error: " + e.message +
         " (0x" + (e.number >>> 0).toString(16) + ")");
}
WScript.Echo("DONE");
