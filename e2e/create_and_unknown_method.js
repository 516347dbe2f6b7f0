// Creates the driver by its ProgID from JScript, calls members it does not have, and checks that
// two creations give two objects. Prints PASS/FAIL lines, then DONE.
var PROG_ID = "Ovex.MorvanelV41";

function report(ok, what) {
  WScript.Echo((ok ? "PASS " : "FAIL ") + what);
}

function errText(e) {
  return "error 0x" + (e.number >>> 0).toString(16).toUpperCase() + " (" + e.name + "): " + e.message;
}

var a = null, b = null;
try {
  a = new ActiveXObject(PROG_ID);
  report(typeof a === "object" && a !== null, "js: new ActiveXObject(\"" + PROG_ID + "\")");
} catch (e) {
  report(false, "js: new ActiveXObject(\"" + PROG_ID + "\") " + errText(e));
}

if (a !== null) {
  var raised = false, number = 0, text = "no error";
  try {
    a.NoSuchMethod(1, 2, 3);
  } catch (e) {
    raised = true;
    number = e.number >>> 0;
    text = errText(e);
  }
  report(raised, "js: a.NoSuchMethod(1, 2, 3) throws: " + text);

  var again = 0;
  text = "no error";
  try {
    a.NoSuchMethod();
  } catch (e) {
    again = e.number >>> 0;
    text = errText(e);
  }
  report(raised && again === number, "js: a second call to the missing member throws the same error: " + text);

  raised = false;
  text = "no error";
  try {
    var value = a.NoSuchProperty;
    a.NoSuchProperty = 1;
    text = "read " + value + ", then assigned";
  } catch (e) {
    raised = true;
    text = errText(e);
  }
  report(raised, "js: reading or assigning a.NoSuchProperty throws: " + text);

  try {
    b = new ActiveXObject(PROG_ID);
    report(true, "js: a second new ActiveXObject succeeds");
  } catch (e) {
    report(false, "js: a second new ActiveXObject " + errText(e));
  }
  if (b !== null) {
    report(a !== b, "js: the two objects are distinct (a === b is " + (a === b) + ")");
  }
  var c = a;
  report(c === a, "js: an object is itself (c = a; c === a is " + (c === a) + ")");
  a = b = c = null;
  CollectGarbage();
}

WScript.Echo("DONE");
