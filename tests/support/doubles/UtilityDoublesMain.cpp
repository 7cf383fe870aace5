// Runs the doubles of the utility windows and the notice (whose note carries the speed-test
// address), for trying the real program against them:
//   utility_doubles [BYTES_PER_SECOND [START_AFTER_MS]]   prints the QUORVEX_CONNECT_TO value
//   and, on a second line, the test CA's file for QUORVEX_EXTRA_CA_FILE; serves until killed.
//   START_AFTER_MS makes the speed-test file begin that late (a server slow to start).
// The site double answers for icon.example, the speed-test server for speed.example.
#include <cstdlib>
#include <iostream>
#include <thread>

#include "support/doubles/NoticeDouble.h"
#include "support/doubles/UtilityDoubles.h"

int main(int argc, char** argv) {
    using namespace qx::test;
    SpeedTestServer::Behaviour paced;
    paced.bytesPerSecond = argc > 1 ? std::atof(argv[1]) : 3 * 1048576.0;
    paced.startAfterMs = argc > 2 ? std::atoi(argv[2]) : 0;
    SpeedTestServer speed(paced);
    AvatarDouble avatar;
    avatar.setDefaultPicture(samplePng(100, 100));
    SiteDouble site;
    site.setFavicon(sampleIco16());
    NoticeDouble notice("QrvxNote", "tmvrke");
    notice.setNoteHtml("<html><body><p>Quorvex 公告</p><p>测速链接[http://speed.example" +
                       std::string(SpeedTestServer::kPath) +
                       "]测速链接</p><p>[|=*1.0.0.17*=|]</p><p>=***本地测试=***</p></body></html>");
    std::cout << notice.connectTo() << "," << avatar.connectTo() << "," << site.connectTo("icon.example")
              << "," << speed.connectTo("speed.example") << "\n"
              << TestServer::certificateFile() << std::endl;
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
