#include "plugin/album_scripts.h"

#include <cstdio>

namespace lumbrel::plugin {
namespace {

// The scripts are plain ES5 so that old browsers run them too. The album is
// opened from disk, where current browsers treat every file as its own origin:
// a page may not read another frame's or window's document. So the pop-up
// windows that need the image list ask the body frame for it by postMessage
// (which crosses origins), and the viewer and movie windows are blank windows
// written by the page itself, which share its origin.
//
// Placeholders filled in by indexScript(): @COLLECTION@, @PRINT@, @MAIL@
// (true/false), @MAILSIZE@ and @MAILER@ (JavaScript string contents).
constexpr std::string_view kIndexScript = R"JS(// Album pages: image list, viewer and movie windows, slide shows, and the
// hand-over of pictures to the mail and print programs.

var LM_COLLECTION = @COLLECTION@;  // pictures lie in group folders
var LM_PRINT = @PRINT@;            // the print button is offered
var LM_MAIL = @MAIL@;              // a mail program is chosen
var LM_MAIL_SIZE = "@MAILSIZE@";
var LM_MAILER = "@MAILER@";

var FILE_NAMES = [];    // file name of each item, by item number
var FILE_FOLDERS = [];  // folder (a path) of each item
var FILE_URLS = [];     // address each item is loaded from
var FILE_STILL = [];    // true for a still image, false for a movie
var FILE_PREVIEWS = []; // address of a movie's preview (its first frame)
var LM_SHOWN = -1;      // item number in the viewer
var lmSubWin = null;    // viewer window "SNew_Win"
var lmAviWin = null;    // movie window "aviNew_Win"
var lmShowWin = null;   // slide-show window "WinOpenAP" or "WinOpenNM"

// Folder of this script (the library's HTML folder) as an absolute address:
// while a script runs, it is the last script element of its page.
var LM_HTML_DIR = (function () {
  var scripts = document.getElementsByTagName("script");
  var src = scripts.length ? scripts[scripts.length - 1].src : "";
  return src.substring(0, src.lastIndexOf("/") + 1);
})();

function lmHtml(s) {
  return String(s).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}

function lmDecode(s) {
  try { return decodeURIComponent(s); } catch (e) { return s.replace(/%20/g, " "); }
}

// "/a/b c.jpg" -> "file:///a/b%20c.jpg"
function lmFileUrl(path) {
  var parts = path.split("/");
  for (var i = 0; i < parts.length; i++) parts[i] = encodeURIComponent(parts[i]);
  return "file://" + parts.join("/");
}

// "file:///a/b%20c/HTML/X.HTM" -> "/a/b c/HTML/X.HTM"
function lmUrlPath(url) {
  var path = url.replace(/[?#].*$/, "").replace(/^file:\/\/(localhost)?/i, "");
  return lmDecode(path);
}

function lmFolderOf(path) { return path.substring(0, path.lastIndexOf("/")); }
function lmNameOf(path) { return path.substring(path.lastIndexOf("/") + 1); }

// The library folder: the page's own folder less two levels (".../L/HTML/X.HTM").
function lmLibraryFolder() {
  var path = lmUrlPath(String(location.href));
  return lmFolderOf(lmFolderOf(path));
}

// Collects the items of the page from its links: a still image's picture
// carries the image's file URL in its name attribute, written like the
// page's links ("%23" for "#", "%25" for "%" ...), so it is decoded back to
// the path; a movie is found beside its preview (".../PREVIEW/X.JPG" shows
// ".../X.AVI", named by ALT).
function LoadBody() {
  var links = document.links;
  for (var i = 0; i < links.length; i++) {
    var found = /^javascript:(avi_)?wopen\((\d+)/.exec(links[i].getAttribute("href") || "");
    if (!found) continue;
    var pictures = links[i].getElementsByTagName("img");
    if (!pictures.length) continue;
    var n = parseInt(found[2], 10);
    var picture = pictures[0];
    var path;
    if (found[1]) {
      var preview = lmUrlPath(picture.src);
      path = lmFolderOf(lmFolderOf(preview)) + "/" + picture.getAttribute("alt");
      FILE_PREVIEWS[n] = picture.src;
    } else {
      var name = picture.getAttribute("name") || "";
      if (name.indexOf("file:///") != 0) continue;
      path = lmDecode(name.substring(7));
    }
    FILE_NAMES[n] = lmNameOf(path);
    FILE_FOLDERS[n] = lmFolderOf(path);
    FILE_URLS[n] = lmFileUrl(path);
    FILE_STILL[n] = !found[1];
  }
}

function lmStillUrls() {
  if (!FILE_URLS.length) LoadBody();
  var urls = [];
  for (var n = 0; n < FILE_URLS.length; n++)
    if (FILE_URLS[n] && FILE_STILL[n]) urls.push(FILE_URLS[n]);
  return urls;
}

// The slide-show windows ask the body frame for its still images.
function lmAnswer(e) {
  if (e.data === "lumbrel-list?" && e.source)
    e.source.postMessage("lumbrel-list\n" + lmStillUrls().join("\n"), "*");
}
if (window.addEventListener) window.addEventListener("message", lmAnswer, false);

// Hands a control's properties over: to the control itself where the browser
// runs it, else to the control program through its registered URL scheme.
function lmHandOver(control, scheme, properties, doc) {
  if (control && control.DoClick) {
    try { control.DoClick(); return; } catch (e) { }
  }
  var query = [];
  for (var key in properties)
    if (properties.hasOwnProperty(key)) query.push(key + "=" + encodeURIComponent(properties[key]));
  var frame = doc.createElement("iframe");
  frame.style.display = "none";
  frame.src = scheme + ":?" + query.join("&");
  doc.body.appendChild(frame);
}

function lmControlProperties(doc, id, n) {
  var control = doc.getElementById(id);
  var properties = { ImageFile: FILE_NAMES[n], ImagePath: LM_COLLECTION ? FILE_FOLDERS[n] : lmLibraryFolder() };
  if (control) {
    control.ImageFile = properties.ImageFile;
    if (LM_COLLECTION) control.ImagePath = properties.ImagePath;
  }
  return { control: control, properties: properties };
}

function lmMail(doc, n) {
  var c = lmControlProperties(doc, "lm_mail", n);
  c.properties.ImageSize = LM_MAIL_SIZE;
  c.properties.Mailer = LM_MAILER;
  lmHandOver(c.control, "lumbrel-mail", c.properties, doc);
}

function lmPrint(doc, n) {
  var c = lmControlProperties(doc, "LM_QM", n);
  lmHandOver(c.control, "lumbrel-print", c.properties, doc);
}

// The button row of the viewer: mail and print with their controls.
function lmButtonRow() {
  var pathParam = LM_COLLECTION ? "" : '<PARAM NAME="ImagePath" VALUE="' + lmHtml(lmLibraryFolder()) + '">';
  var icons = lmHtml(LM_HTML_DIR) + "ICON/";
  var row = '<table align="center"><tr>';
  if (LM_MAIL)
    row += '<td><a href=javascript:Lmmail()><img src="' + icons + 'MAIL.GIF" border="0" alt="MAIL"></a>' +
      '<OBJECT ID="lm_mail" type="application/x-oleobject" width=0 height=0 CLASSID="CLSID:A11CDDFE-176D-4D33-9FEB-54C21E46CFC7">' +
      '<PARAM NAME="ImageSize" VALUE="' + lmHtml(LM_MAIL_SIZE) + '">' +
      '<PARAM NAME="Mailer" VALUE="' + lmHtml(LM_MAILER) + '">' + pathParam + '</OBJECT></td>';
  if (LM_PRINT)
    row += '<td><a href=javascript:LmQm()><img src="' + icons + 'PRINT.GIF" border="0" alt="PRINT"></a>' +
      '<OBJECT ID="LM_QM" type="application/x-oleobject" width=0 height=0 CLASSID="CLSID:78DC500C-6AC8-4D04-897D-60144B0163AC">' +
      pathParam + '</OBJECT></td>';
  return row + '</tr></table>';
}

function lmButton(action, icon, alt) {
  return '<a href="#" onclick="' + action + ';return false"><img src="' + lmHtml(LM_HTML_DIR) + 'ICON/' + icon +
    '" border="0" alt="' + alt + '"></a>';
}

// The image viewer: the picture 480 high, BACK / EXIT / NEXT, and the mail and
// print buttons when offered. A click on the picture enlarges it. p (1 for a
// file outside the library) belongs to the link; the item's address is
// absolute already.
function wopen(s, p) {
  if (!FILE_URLS.length) LoadBody();
  if (!FILE_URLS[s]) return;
  LM_SHOWN = s;
  var large = screen.width >= 1024 && screen.height >= 768;
  var buttons = LM_PRINT || LM_MAIL;
  var width = large ? 800 : 640;
  var height = large ? (buttons ? 630 : 600) : (buttons ? 600 : 570);
  lmSubWin = window.open("", "SNew_Win", "width=" + width + ",height=" + height + ",resizable=yes,scrollbars=yes");
  if (!lmSubWin) return;
  var display = LM_HTML_DIR + "DISP.HTM?" + encodeURIComponent(FILE_URLS[s]);
  var name = lmHtml(FILE_NAMES[s]);
  var html = '<html><head><meta http-equiv="Content-Type" content="text/html;charset=utf-8"><title>' + name +
    '</title><script type="text/javascript">' +
    'function Lmmail(){try{opener.lmMail(document,' + s + ')}catch(e){}}' +
    'function LmQm(){try{opener.lmPrint(document,' + s + ')}catch(e){}}' +
    'function lmStep(d){try{opener.lmStep(d)}catch(e){window.close()}}' +
    'function lmEnlarge(){window.open("' + display + '","NextWinOpen","left=0,top=0,width="+(screen.width-20)+",height="+(screen.height-55)+",resizable=yes")}' +
    '</' + 'script></head><body bgcolor="#ffffff"><center>' +
    '<a href="#" onclick="lmEnlarge();return false"><img src="' + FILE_URLS[s] + '" height="480" border="0" alt="' +
    name + '"></a><br><font size="2">' + name + '</font><br>' +
    lmButton("lmStep(-1)", "BACKBTN.GIF", "BACK") + ' ' + lmButton("window.close()", "GOTOP.GIF", "EXIT") + ' ' +
    lmButton("lmStep(1)", "NEXTBTN.GIF", "NEXT") + '</center>' + (buttons ? lmButtonRow() : '') + '</body></html>';
  var doc = lmSubWin.document;
  doc.open();
  doc.write(html);
  doc.close();
  lmSubWin.focus();
}

// Shows the previous (d = -1) or next (d = 1) still image, wrapping round.
function lmStep(d) {
  var count = FILE_URLS.length;
  for (var k = 1; k <= count; k++) {
    var n = ((LM_SHOWN + d * k) % count + count) % count;
    if (FILE_URLS[n] && FILE_STILL[n]) {
      // Rewrite the viewer after the click that asked for it has ended.
      window.setTimeout(function () { wopen(n, 0); }, 0);
      return;
    }
  }
}

// The movie window: the movie at 320 x 240. A browser that cannot play it in
// the page shows its first frame in the same box instead, linked to the file
// (which the desktop's player then opens). q is 1 for 160-pixel frames, which
// the player scales to the same box.
function avi_wopen(s, q, p) {
  if (!FILE_URLS.length) LoadBody();
  if (!FILE_URLS[s]) return;
  lmAviWin = window.open("", "aviNew_Win", "width=600,height=400,resizable=yes");
  if (!lmAviWin) return;
  var name = lmHtml(FILE_NAMES[s]);
  var doc = lmAviWin.document;
  doc.open();
  doc.write('<html><head><meta http-equiv="Content-Type" content="text/html;charset=utf-8"><title>' + name +
    '</title></head><body bgcolor="#ffffff"><center><object data="' + FILE_URLS[s] +
    '" type="video/x-msvideo" width="320" height="240"><a href="' + FILE_URLS[s] + '"><img src="' +
    lmHtml(FILE_PREVIEWS[s] || "") + '" width="320" height="240" border="0" alt="' + name +
    '"></a></object><br><font size="2">' + name + '</font><br>' +
    lmButton("window.close()", "GOTOP.GIF", "EXIT") + '</center></body></html>');
  doc.close();
  lmAviWin.focus();
}

function lmClose(win) {
  try { if (win && !win.closed) win.close(); } catch (e) { }
}

// Closes the viewer and movie windows (the body page is going away).
function SubClose() {
  lmClose(lmSubWin);
  lmClose(lmAviWin);
}

// Closes the slide show (the title menu is going away).
function ClosePW() { lmClose(lmShowWin); }

// The slide shows: mode 1 automatic, 0 manual, sized to the screen.
function wpopen(mode) {
  ClosePW();
  var page = mode == 1 ? "APLAY.HTM" : "NEXT.HTM";
  var name = mode == 1 ? "WinOpenAP" : "WinOpenNM";
  lmShowWin = window.open(LM_HTML_DIR + page, name, "left=0,top=0,width=" + (screen.width - 20) + ",height=" +
    (screen.height - 55) + ",resizable=yes");
}

// Starts the print program on the library folder.
function k_print() {
  var control = document.getElementById("LM_QM");
  var folder = lmLibraryFolder();
  if (control) control.ImagePath = folder;
  lmHandOver(control, "lumbrel-print", { ImagePath: folder }, document);
}
)JS";

// The part the two slide shows share: the image list from the body frame of
// the opener, the picture size, closing with the opener.
constexpr std::string_view kShowScript = R"JS(
var list = [];
var at = 0;
var LARGE = screen.width >= 1280 && screen.height >= 960;

function bodyFrame() {
  try {
    var frames = opener && !opener.closed ? opener.top.frames : null;
    return frames ? frames["Body"] || frames[3] || null : null;
  } catch (e) {
    return null;
  }
}

// Asks the body frame for its still images; an answer ends the wait.
function askList() {
  var body = bodyFrame();
  if (!body) { window.close(); return; }
  if (window.postMessage && window.addEventListener) {
    window.addEventListener("message", function (e) {
      var text = typeof e.data == "string" ? e.data : "";
      if (text.indexOf("lumbrel-list\n") != 0) return;
      list = text.substring(13) ? text.substring(13).split("\n") : [];
      if (!list.length) window.close(); else begin();
    }, false);
    body.postMessage("lumbrel-list?", "*");
  } else {
    try { list = body.lmStillUrls(); } catch (e) { list = []; }
    if (!list.length) window.close(); else begin();
  }
  window.setInterval(function () { if (!opener || opener.closed) window.close(); }, 1000);
}

// Loads list[at] and shows it 960 high on large screens, else fitted into a
// 4:3 box of 90% of the shorter screen side, and no larger than the room a
// page with other things in its window leaves (pictureRoom); then calls done().
function showPicture(done) {
  var loader = new Image();
  loader.onload = function () {
    var w = loader.width, h = loader.height;
    var boxH = LARGE ? 960 : Math.floor(Math.min(screen.width, screen.height) * 0.9);
    var boxW = LARGE ? Math.floor(w * 960 / h) : Math.floor(boxH * 4 / 3);
    var scale = Math.min(boxW / w, boxH / h);
    if (typeof pictureRoom == "function") {
      var room = pictureRoom();
      scale = Math.min(scale, room.width / w, room.height / h);
    }
    var picture = document.getElementById("picture");
    picture.width = Math.floor(w * scale);
    picture.height = Math.floor(h * scale);
    picture.src = loader.src;
    done();
  };
  loader.onerror = done;
  loader.src = list[at];
}

function keyOf(e) {
  e = e || window.event;
  return e.which || e.keyCode;
}
)JS";

constexpr std::string_view kAutoShowPage = R"HTML(<HTML>
<HEAD>
  <META HTTP-EQUIV="Content-Type" CONTENT="text/html;CHARSET=utf-8">
  <TITLE>SLIDE SHOW AUTO</TITLE>
  <SCRIPT LANGUAGE="JavaScript">@SHOW@
// Each picture stays 3000 ms after it has loaded; the show wraps round.
function begin() {
  try { window.moveTo(0, 0); } catch (e) { }
  showPicture(function () { window.setTimeout(next, 3000); });
}
function next() {
  at = (at + 1) % list.length;
  showPicture(function () { window.setTimeout(next, 3000); });
}
document.onkeypress = function (e) {
  var key = keyOf(e);
  if (key == 113 || key == 13) window.close();
};
  </SCRIPT>
</HEAD>
<BODY BGCOLOR="#000000" onLoad="askList()" style="margin:0">
<CENTER><IMG ID="picture" ALT="" onClick="window.close()"></CENTER>
</BODY>
</HTML>
)HTML";

constexpr std::string_view kManualShowPage = R"HTML(<HTML>
<HEAD>
  <META HTTP-EQUIV="Content-Type" CONTENT="text/html;CHARSET=utf-8">
  <TITLE>SLIDE SHOW MANUAL</TITLE>
  <SCRIPT LANGUAGE="JavaScript">@SHOW@
function begin() { showPicture(function () { }); }
// The buttons stand above the picture; the picture gets the rest of the
// window, so that no part of it is cut off at the window's edges.
function pictureRoom() {
  var picture = document.getElementById("picture");
  var width = window.innerWidth || document.body.clientWidth;
  var height = window.innerHeight || document.body.clientHeight;
  return { width: width, height: height - picture.offsetTop };
}
// Steps back (d = -1) or on (d = 1), wrapping round.
function step(d) {
  if (!list.length) return;
  at = (at + d + list.length) % list.length;
  showPicture(function () { });
}
document.onkeypress = function (e) {
  var key = keyOf(e);
  if (key == 113) window.close();
  else if (key == 13 || key == 32) step(1);
};
  </SCRIPT>
</HEAD>
<BODY BGCOLOR="#000000" onLoad="askList()" style="margin:0">
<CENTER>
<A HREF="#" onClick="step(-1);return false"><IMG SRC="ICON/BACKBTN.GIF" BORDER="0" ALT="BACK"></A>
<A HREF="#" onClick="window.close();return false"><IMG SRC="ICON/GOTOP.GIF" BORDER="0" ALT="EXIT"></A>
<A HREF="#" onClick="step(1);return false"><IMG SRC="ICON/NEXTBTN.GIF" BORDER="0" ALT="NEXT"></A><BR>
<IMG ID="picture" ALT="" onClick="step(1)" STYLE="display:block;margin:0 auto">
</CENTER>
</BODY>
</HTML>
)HTML";

constexpr std::string_view kDisplayPage = R"HTML(<HTML>
<HEAD>
  <META HTTP-EQUIV="Content-Type" CONTENT="text/html;CHARSET=utf-8">
  <TITLE>IMAGE DISPLAY</TITLE>
  <SCRIPT LANGUAGE="JavaScript">
// The picture named after "?" in this page's address, fitted to the window.
function begin() {
  var picture = document.getElementById("picture");
  var loader = new Image();
  loader.onload = function () {
    var width = window.innerWidth || document.body.clientWidth;
    var height = window.innerHeight || document.body.clientHeight;
    var scale = Math.min(width / loader.width, height / loader.height);
    picture.width = Math.floor(loader.width * scale);
    picture.height = Math.floor(loader.height * scale);
    picture.src = loader.src;
  };
  var address = String(location.search).substring(1);
  try { address = decodeURIComponent(address); } catch (e) { }
  if (address.indexOf("file:") == 0) loader.src = address;
  window.setInterval(function () { if (!opener || opener.closed) window.close(); }, 1000);
}
  </SCRIPT>
</HEAD>
<BODY BGCOLOR="#000000" onLoad="begin()" style="margin:0">
<CENTER><IMG ID="picture" ALT="" onClick="window.close()"></CENTER>
</BODY>
</HTML>
)HTML";

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

/// The text of a JavaScript string literal without its quotes.
std::string scriptString(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || c == '<') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

/// The pages are CR LF text like every other album file.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string showPage(std::string_view page) {
    std::string text(page);
    replaceAll(text, "@SHOW@", kShowScript);
    return withCrLf(text);
}

}  // namespace

std::string indexScript(const AlbumOptions& options) {
    std::string text(kIndexScript);
    replaceAll(text, "@COLLECTION@", options.collection ? "true" : "false");
    replaceAll(text, "@PRINT@", options.printButton ? "true" : "false");
    replaceAll(text, "@MAIL@", options.mailConfigured ? "true" : "false");
    replaceAll(text, "@MAILSIZE@", scriptString(options.mailSize));
    replaceAll(text, "@MAILER@", scriptString(options.mailName));
    return withCrLf(text);
}

std::string autoShowPage() { return showPage(kAutoShowPage); }
std::string manualShowPage() { return showPage(kManualShowPage); }
std::string displayPage() { return withCrLf(kDisplayPage); }

}  // namespace lumbrel::plugin
