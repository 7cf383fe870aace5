#include "notice/UpdateScript.h"

#include "text/CodePages.h"
#include "platform/system/ShellQuote.h"
#include "text/Strings.h"

namespace qx::notice {

Text updateScriptBatch(const Text& exeFileName, const Text& downloadAddress) {
    static const char* const lines[] = {
        "@echo off",
        "title ProgramUpdate Please wait...",
        "",
        "set lowfilename=\"<文件名称>\"",
        "set filename=<文件名称>",
        "set downurl=<文件地址>",
        "",
        "taskkill -f -im %lowfilename%",
        "",
        "set curpath=%~dp0",
        "",
        "cd /d %curpath%",
        "",
        "md Program_Upadte_Temp",
        "",
        "cd /d %curpath%Program_Upadte_Temp\\",
        "",
        "::powershell curl -o %filename% \"%downurl%\"",
        "",
        "echo.&echo Downloading Files,Please wait...",
        "",
        "powershell (new-object System.Net.WebClient).DownloadFile( '%downurl%','%filename%')",
        "",
        "move \"%curpath%Program_Upadte_Temp\\%filename%\" \"%curpath%\"",
        "",
        "Cls",
        "",
        "cd /d %curpath%",
        "",
        "echo.&echo Delete Temp File",
        "",
        "rd /q Program_Upadte_Temp",
        "",
        "Cls",
        "",
        "echo.&echo Update Complete",
        "echo.&echo About To Restart The Program &TIMEOUT /t 3",
        "",
        "Start \"\" \"%filename%\" &del Program_Update.bat",
        "",
        "exit",
        "",
        "::Code Logic Comes From [ Quorvex ]",
    };
    Text script;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        if (i) script += "\r\n";
        script += gbk(lines[i]);
    }
    script = replaceAll(script, gbk(u8"<文件名称>"), exeFileName);
    return replaceAll(script, gbk(u8"<文件地址>"), downloadAddress);
}

std::string updateScriptPosix(const std::string& nativeExeFileName, const std::string& downloadAddress) {
    using platform::shellQuote;
    std::string s = "#!/bin/sh\n";
    s += "filename=" + shellQuote(nativeExeFileName) + "\n";
    s += "downurl=" + shellQuote(downloadAddress) + "\n";
    s += "curpath=$(cd \"$(dirname \"$0\")\" && pwd) || exit 1\n";
    s += "cd \"$curpath\" || exit 1\n";
    // Every running instance of the program's name, found by the file it runs from.
    s += "for p in /proc/[0-9]*; do\n";
    s += "  exe=$(readlink \"$p/exe\" 2>/dev/null) || continue\n";
    s += "  [ \"${exe##*/}\" = \"$filename\" ] && kill -9 \"${p#/proc/}\" 2>/dev/null\n";
    s += "done\n";
    s += "mkdir -p Program_Upadte_Temp\n";
    // Only https, the certificate verified, redirects to https only: the download replaces the
    // program. The test aids QUORVEX_CONNECT_TO and QUORVEX_EXTRA_CA_FILE reach curl too.
    s += "set -- --proto =https --proto-redir =https\n";
    s += "if [ -n \"$QUORVEX_EXTRA_CA_FILE\" ]; then\n";
    s += "  cat /etc/ssl/certs/ca-certificates.crt \"$QUORVEX_EXTRA_CA_FILE\" > Program_Upadte_Temp/ca.pem 2>/dev/null\n";
    s += "  set -- \"$@\" --cacert Program_Upadte_Temp/ca.pem\n";
    s += "fi\n";
    s += "if [ -n \"$QUORVEX_CONNECT_TO\" ]; then\n";
    s += "  oldifs=$IFS; IFS=,\n";
    s += "  for entry in $QUORVEX_CONNECT_TO; do set -- \"$@\" --connect-to \"$entry\"; done\n";
    s += "  IFS=$oldifs\n";
    s += "fi\n";
    // A failed or empty download keeps the old program.
    s += "if curl -fsSL \"$@\" -o \"Program_Upadte_Temp/$filename\" -- \"$downurl\" && [ -s \"Program_Upadte_Temp/$filename\" ]; then\n";
    s += "  chmod +x \"Program_Upadte_Temp/$filename\"\n";
    s += "  mv -f \"Program_Upadte_Temp/$filename\" \"$curpath/$filename\"\n";
    s += "fi\n";
    s += "rm -rf Program_Upadte_Temp\n";
    s += "setsid \"$curpath/$filename\" </dev/null >/dev/null 2>&1 &\n";
    s += "rm -f -- \"$0\"\n";
    return s;
}

bool isSafeDownloadAddress(const Text& address) {
    // Only https: over plain http anyone on the way could hand over another program.
    if (!startsWith(address, "https://", true)) return false;
    std::size_t schemeEnd = address.find("//") + 2;
    if (address.size() <= schemeEnd) return false;  // no host
    for (unsigned char c : address) {
        if (c <= 0x20 || c == 0x7F || c >= 0x80) return false;  // blanks, controls, line breaks, non-ASCII
        switch (c) {
            case '"': case '\'': case '&': case '|': case '<': case '>': case '^':
            case '%': case '`': case '$': case ';': case '\\': case '(': case ')':
                return false;
            default:
                break;
        }
    }
    return true;
}

}  // namespace qx::notice
