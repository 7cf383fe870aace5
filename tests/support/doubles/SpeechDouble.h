#pragma once
// A local stand-in for the text-to-speech service. It checks every request as the real
// service would see it (method, version, path, the query's keys in order, the header lines)
// and answers, as told, with a real MP3, an error page, an empty body or no answer at all.
#include <mutex>
#include <string>
#include <vector>

#include "support/servers/TestServer.h"

namespace qx::test {

class SpeechDouble {
  public:
    enum class Answer { Mp3, ErrorPage, Empty, Refuse };
    static constexpr const char* kPath = "/text2audio";
    static constexpr const char* kHost = "tts.baidu.com";

    SpeechDouble();

    void setAnswer(Answer answer);
    // While held, requests are read and recorded but not answered.
    void hold(bool on);
    // Every answer waits this long first (a slow service).
    void setDelay(int ms);
    // The MP3 it serves: one second of a tone, made by Debian's lame (see data/make-tone.sh).
    static const std::string& mp3();
    static std::string errorPage();
    // "tts.baidu.com:80:127.0.0.1:PORT": what QUORVEX_CONNECT_TO needs to reach us.
    std::string connectTo() const;
    TestServer& server() { return server_; }

    // The raw query of every request, in order, and its "tex" value decoded (UTF-8).
    std::vector<std::string> queries() const;
    std::vector<std::string> texts() const;
    // Why the last request differs from what the program must send ("" when it does not).
    std::string lastProblem() const;

  private:
    void handle(const HttpRequestRecord& request, Connection& connection);

    TestServer server_;
    mutable std::mutex mutex_;
    Answer answer_ = Answer::Mp3;
    bool held_ = false;
    int delayMs_ = 0;
    std::vector<std::string> queries_;
    std::vector<std::string> texts_;
    std::string problem_;
};

}  // namespace qx::test
