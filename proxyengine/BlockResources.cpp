#include "BlockResources.h"

#include "AnonymousHub.h"
#include "EngineSettings.h"
#include "Files.h"
#include "Immortal.h"

static CImmortal<CString> s_BlockPage;
CString& g_BlockPage = s_BlockPage.value;
static CImmortal<CString> s_strBlockPagePath;
CString& g_strBlockPagePath = s_strBlockPagePath.value;
static CImmortal<CString> s_BlockImage;
CString& g_BlockImage = s_BlockImage.value;
static CImmortal<CString> s_strBlockImagePath;
CString& g_strBlockImagePath = s_strBlockImagePath.value;
static CImmortal<CString> s_PopupScript;
CString& g_PopupScript = s_PopupScript.value;

namespace {
const char kPopupScript[] =
    "<script language=\"JavaScript\" type=\"text/javascript\">\n"
    "<!-- hide\n"
    "function VRX_errorsuppressor() { return true; }\n"
    "window.onerror = VRX_errorsuppressor;\n"
    "function VRX_NoUnload() {}\n"
    "function VRX_OnUnload() { window.onunload = VRX_NoUnload; window.onbeforeunload = VRX_NoUnload; }\n"
    "function showModelessDialog(sURL, vArguments, sFeatures) { window.status = \"Pop-up blocked by Quorvane: \" + sURL; return null; }\n"
    "function showModalDialog(sURL, vArguments, sFeatures) { window.status = \"Pop-up blocked by Quorvane: \" + sURL; return null; }\n"
    "function open(URL, name , features, replace ) { window.status = \"Pop-up blocked by Quorvane: \" + URL; return null; } //-->\n"
    "</script>\n";

const char* const kImageExtensions[] = {".gif", ".cgi", ".jpg", ".jpe", ".bmp", ".pcx",
                                        ".art", ".cgm", ".xbm", ".g3f", ".tif", ".png"};

const char kSoundStatement[] = "if( CC_beep ) CC_beep.src=\"%s\";";
}  // namespace

void SetBlockFolder(const CString& programFolder) {
    const CString block = JoinPath(programFolder, "Block");
    g_strBlockPagePath = JoinPath(block, "Block.htm");
    g_strBlockImagePath = JoinPath(block, "Block.gif");
    g_strHubListPath = JoinPath(block, "AnonPS.txt");
}

bool ReadFileToBuffer(CString& buffer, const char* path) {
    CString contents;
    if (!path || !ReadWholeFile(path, contents)) return false;
    buffer = contents;
    return buffer.GetLength() > 0;
}

void LoadPopupScriptTemplate() { g_PopupScript = CString(kPopupScript, int(sizeof(kPopupScript) - 1)); }

void FillPopupScriptPlaceholder(CString& script, bool playWave, const CString& soundPath) {
    const int at = script.Find("%s");
    if (at < 0) return;
    CString fill("  ");
    if (playWave) {
        CString path = soundPath;
        path.Replace('\\', '/');
        fill = kSoundStatement;
        fill.Replace("%s", path);
    }
    script = script.Left(at) + fill + script.Mid(at + 2);
}

void LoadBlockResources() {
    if (g_strBlockPagePath.IsEmpty()) SetBlockFolder(EngineModuleFolder());
    ReadFileToBuffer(g_BlockPage, g_strBlockPagePath);
    ReadFileToBuffer(g_BlockImage, g_strBlockImagePath);
    LoadPopupScriptTemplate();
    FillPopupScriptPlaceholder(g_PopupScript, g_Engine.PlayWave != 0, CString());
}

CString BuildBlockReplyHeader(const CString& bodyPath, int bodyLength) {
    CString lower = bodyPath;
    lower.MakeLower();
    if (lower.Find(".htm") >= 0)
        return "HTTP/1.0 200 OK\nPragma: no-cache\nLast-Modified: Fri Aug 10, 1999 12:00:00 am GMT\n"
               "Expires: Fri Jan 15, 1999 12:00:00 am GMT\nConnection: close\nContent-Type: text/html\n\n";
    // Only a dot in the file name counts: one in a folder name is no extension.
    const CString name = FileNameOf(bodyPath);
    const int dot = name.ReverseFind('.');
    CString type = dot < 0 ? CString("gif") : name.Mid(dot + 1);
    if (type.FindNoCase("jpg") >= 0) type = "jpeg";
    CString header;
    header.Format("HTTP/1.0 200 OK\nContent-Type: image/%s\nLast-Modified: Fri Jan 15, 1999 00:00:00 GMT\n"
                  "Expires: Fri 15 Apr 1999 20:00:00 GMT\nPragma: no-cache\nConnection: close\n"
                  "Content-Length: %lu\n\n",
                  type.c_str(), static_cast<unsigned long>(bodyLength));
    return header;
}

bool IsImageRequestLine(const CString& requestLine) {
    CString lower = requestLine;
    lower.MakeLower();
    for (const char* extension : kImageExtensions)
        if (lower.Find(extension) >= 0) return true;
    return false;
}

CString BuildBlockReply(const CString& body, const CString& bodyPath) {
    if (body.IsEmpty()) return CString();
    return BuildBlockReplyHeader(bodyPath, body.GetLength()) + body;
}
