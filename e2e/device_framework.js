// The same host calls from JScript, with a JScript object as the equipment manager. JScript
// cannot write a by-reference argument, so the manager's properties stay empty here; the calls
// still reach it. Prints PASS/FAIL lines, then DONE.
function report(ok, what) {
  WScript.Echo((ok ? "PASS" : "FAIL") + " js: " + what);
}

var calls = [];
var manager = {
  GetAppProperty: function (deviceId, name, value) { calls.push("GetAppProperty:" + name); return true; },
  DataEvent: function (deviceId, eventName, data, extData) { calls.push("DataEvent:" + data); return true; },
  WriteLog: function () { return true; }
};

try {
  var driver = new ActiveXObject("Ovex.MorvanelV41");
  report(true, "new ActiveXObject");
  var description = "";
  report(driver.Init(manager, description) === true, "Init answers True");
  report(calls.join(",").indexOf("GetAppProperty:ModelsFolder") >= 0, "Init asks the manager (" + calls.join(",") + ")");
  report(driver.Open("dev2", description) === true, "Open answers True");

  var info = null;
  // JScript passes no variable by reference, so results come back only through the value.
  report(driver.GetDeviceInfo(null, info, 0) === true, "GetDeviceInfo answers True");
  report(driver.getdatacount(null, null, 0) === true, "names in any letter case resolve");
  report(driver.GetScanData(null, null, 0) === false, "GetScanData on an empty queue answers False");
  report(driver.EnableDataEvents(5, null, 0) === false, "EnableDataEvents with a non-array answers False");
  report(driver.EnableDataEvents([true], null, 0) === true, "EnableDataEvents with a JScript array answers True");
  report(driver.Enable(null, null, 0) === true, "Enable answers True");
  report(driver.Disable(null, null, 0) === true, "Disable answers True");
  report(driver.Close() === true, "Close answers True");
} catch (e) {
  report(false, "no exception: " + e.message + " (0x" + (e.number >>> 0).toString(16) + ")");
}
WScript.Echo("DONE");
