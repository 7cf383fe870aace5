// Runs the notice double on its own, for trying the real program against it:
//   notice_double NOTE.html   prints the QUORVEX_CONNECT_TO value and, on a second line, the
//   test CA's file for QUORVEX_EXTRA_CA_FILE; serves until killed.
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "support/doubles/NoticeDouble.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: notice_double NOTE.html\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream html;
    html << in.rdbuf();
    qx::test::NoticeDouble notice("QrvxNote", "tmvrke");
    notice.setNoteHtml(html.str());
    std::cout << notice.connectTo() << "\n" << qx::test::TestServer::certificateFile() << std::endl;
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
