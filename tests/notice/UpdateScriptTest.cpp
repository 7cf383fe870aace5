#include "notice/UpdateScript.h"

#include <gtest/gtest.h>

#include "text/CodePages.h"

using namespace qx;
using namespace qx::notice;

TEST(UpdateScript, BatchTextIsExact) {
    const Text expected = gbk(
        u8"@echo off\r\ntitle ProgramUpdate Please wait...\r\n\r\nset lowfilename=\"q 工具.exe\"\r\n"
        u8"set filename=q 工具.exe\r\nset downurl=https://h/d?x=1\r\n\r\ntaskkill -f -im %lowfilename%\r\n\r\n"
        u8"set curpath=%~dp0\r\n\r\ncd /d %curpath%\r\n\r\nmd Program_Upadte_Temp\r\n\r\n"
        u8"cd /d %curpath%Program_Upadte_Temp\\\r\n\r\n::powershell curl -o %filename% \"%downurl%\"\r\n\r\n"
        u8"echo.&echo Downloading Files,Please wait...\r\n\r\n"
        u8"powershell (new-object System.Net.WebClient).DownloadFile( '%downurl%','%filename%')\r\n\r\n"
        u8"move \"%curpath%Program_Upadte_Temp\\%filename%\" \"%curpath%\"\r\n\r\nCls\r\n\r\ncd /d %curpath%\r\n\r\n"
        u8"echo.&echo Delete Temp File\r\n\r\nrd /q Program_Upadte_Temp\r\n\r\nCls\r\n\r\necho.&echo Update Complete\r\n"
        u8"echo.&echo About To Restart The Program &TIMEOUT /t 3\r\n\r\n"
        u8"Start \"\" \"%filename%\" &del Program_Update.bat\r\n\r\nexit\r\n\r\n::Code Logic Comes From [ Quorvex ]");
    EXPECT_EQ(updateScriptBatch(gbk(u8"q 工具.exe"), "https://h/d?x=1"), expected);
}

TEST(UpdateScript, OnlySafeHttpAddressesAreAccepted) {
    EXPECT_TRUE(isSafeDownloadAddress(
        "https://x-my.sharepoint.com/personal/o/_layouts/52/download.aspx?share=EabcDEF123"));
    EXPECT_TRUE(isSafeDownloadAddress("https://127.0.0.1:8080/new?a=1"));
    EXPECT_FALSE(isSafeDownloadAddress("http://127.0.0.1:8080/new?a=1"));
    for (const char* bad : {"", "ftp://h/x", "https://", "file:///etc/passwd", "https://h/x\" & del *",
                            "https://h/$(reboot)", "https://h/`id`", "https://h/a;b", "https://h/a|b",
                            "https://h/a%PATH%", "https://h/a^b", "https://h/a<b", "https://h/a>b",
                            "https://h/a'b", "https://h/a\r\nb", "https://h/a b", "javascript:alert(1)"}) {
        EXPECT_FALSE(isSafeDownloadAddress(bad)) << bad;
    }
    EXPECT_FALSE(isSafeDownloadAddress("https://h/a&b"));
}

TEST(UpdateScript, PosixScriptQuotesItsValues) {
    std::string s = updateScriptPosix("it's q", "https://h/x?a=1");
    EXPECT_NE(s.find("filename='it'\\''s q'\n"), std::string::npos);
    EXPECT_NE(s.find("downurl='https://h/x?a=1'\n"), std::string::npos);
    EXPECT_NE(s.find("Program_Upadte_Temp"), std::string::npos);
}
