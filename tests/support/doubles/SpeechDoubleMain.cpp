// Runs the speech double on its own, for trying the real program against it:
//   speech_double [mp3|error|empty|refuse] [delay-ms]   prints the QUORVEX_CONNECT_TO value, then three
//   lines per request (its query, the decoded text, and the last problem), until killed.
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "support/doubles/SpeechDouble.h"

int main(int argc, char** argv) {
    using qx::test::SpeechDouble;
    SpeechDouble speech;
    std::string mode = argc > 1 ? argv[1] : "mp3";
    speech.setAnswer(mode == "error"    ? SpeechDouble::Answer::ErrorPage
                     : mode == "empty"  ? SpeechDouble::Answer::Empty
                     : mode == "refuse" ? SpeechDouble::Answer::Refuse
                                        : SpeechDouble::Answer::Mp3);
    if (argc > 2) speech.setDelay(std::atoi(argv[2]));
    std::cout << speech.connectTo() << std::endl;
    std::size_t seen = 0;
    for (;;) {
        speech.server().waitForRequests(seen + 1, 1000);
        std::vector<std::string> queries = speech.queries(), texts = speech.texts();
        for (; seen < queries.size(); ++seen)
            std::cout << "query " << queries[seen] << "\ntext " << texts[seen] << "\nproblem "
                      << speech.lastProblem() << std::endl;
    }
}
