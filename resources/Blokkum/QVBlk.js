<script type="text/javascript">
<!--
(function () {
  var w = window;
  if (w.QVBlk_Installed) return;
  w.QVBlk_Installed = true;

  var MARKER = "~QVBLK~";
  // A window opened within this time after a click or key press was asked for.
  var REQUESTED_MS = 1000;
  var lastGesture = -REQUESTED_MS;

  function now() { return new Date().getTime(); }
  function noteGesture() { lastGesture = now(); }
  function listen(type) {
    if (document.addEventListener) document.addEventListener(type, noteGesture, true);
    else if (document.attachEvent) document.attachEvent("on" + type, noteGesture);
  }
  listen("click");
  listen("mouseup");
  listen("keydown");

  function requested() {
    var e = w.event;
    if (e && (e.type == "click" || e.type == "mouseup" || e.type == "keydown" || e.type == "keypress")) return true;
    return now() - lastGesture < REQUESTED_MS;
  }

  function alertSound() {
    var CC_beep = document.getElementById ? document.getElementById("CC_beep") : null;
    %s
  }

  function blocked(url) {
    try { document.title = MARKER + document.title; } catch (e1) {}
    try { w.status = "Pop-up blocked by Quorvane Blokkum: " + url; } catch (e2) {}
    try { alertSound(); } catch (e3) {}
    return null;
  }

  function guard(name) {
    var real = w[name];
    if (!real) return;
    w[name] = function (url, a, b, c) {
      if (!requested()) return blocked(url);
      try { return real.apply(w, arguments); } catch (e) { return real(url, a, b, c); }
    };
  }
  guard("open");
  guard("showModalDialog");
  guard("showModelessDialog");
})();
//-->
</script>
