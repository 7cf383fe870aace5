#pragma once
// One wire case of a resolver, kept as a text file the way curl keeps its test cases: the
// inputs, the expected result, and the conversation with the service, request by request.
//
//   # Comment lines and the keys come first.
//   service: lanzou                (a resolver name of the table, or its number)
//   link: https://www.lanzoui.com/iQrvx
//   password: "  "                 (a value in double quotes takes \" \\ \r \n \t escapes)
//   result: http://dl.example/f.zip
//   connect: refused               (optional: every host refuses the connection)
//   stem: lanzoux                  (optional, Lanzou: the host stem the caller passes in)
//   trust: none                    (optional: the program is not given the test CA, so every
//                                   https server is one whose certificate nobody vouches for)
//   outcome: network               (optional: a request got no answer, so the failure is the
//                                   network's; without it an empty result is "no result")
//
//   === request https              (the exact bytes the program must send, on https or http)
//   GET /iQrvx HTTP/1.1
//   Host: www.lanzoui.com
//
//   === reply                      (the exact bytes the double answers)
//   HTTP/1.1 200 OK
//   Content-Type: text/html
//
//   <html>...
//
// "=== request https form" compares the head byte for byte but the query and a form body as
// the service reads them: decoded fields in order, so "+" and "%20" are both a space there.
// Head lines end in CR LF on the wire. A body runs to the next "===" line; blank lines before
// that line only separate sections, so a body never ends in a line break. A reply without
// Content-Length or Transfer-Encoding gets Content-Length.
// "=== reply raw" goes out exactly as written and the connection is closed after it;
// "=== reply stall" reads the request and never answers; "=== reply close" closes at once;
// "=== reply drip" sends its bytes one every 200 ms, then more of them for as long as the
// client reads (only a whole-request deadline ends that).
//
// Placeholders in requests: %FRACTION% (17 characters, the first "0", then digits, '.', 'e',
// '+', '-'), %DIGITS4% (1000 to 9999), %LENGTH% (the byte length of the request's body).
// In replies: %PAD n% (n bytes of 'x').
#include <string>
#include <vector>

namespace qx::test {

struct WireExchange {
    enum class Reply { Bytes, Raw, Stall, Close, Drip };
    bool https = true;
    bool formFields = false;  // query and body compared as decoded fields
    std::string request;      // expected, with placeholders
    Reply kind = Reply::Bytes;
    std::string reply;  // the bytes to send, placeholders expanded
};

struct WireCase {
    std::string name;  // the file name without its extension
    std::string service;
    std::string link, password, result;  // UTF-8
    std::string stem;                    // empty: the caller passes none
    bool refused = false;
    bool untrusted = false;  // run without the test CA
    bool networkFailure = false;
    std::vector<WireExchange> exchanges;
};

// Loads a case file; false with the reason in error when it is malformed.
bool loadWireCase(const std::string& path, WireCase& out, std::string& error);

// Whether the received bytes are the expected ones; placeholders match their kind of value.
bool wireMatches(const std::string& expected, const std::string& received);
// The same for one exchange's request, its form fields decoded when it asks for that.
bool requestMatches(const WireExchange& exchange, const std::string& received);

// Both texts line by line with CR and LF made visible, for a failure message.
std::string wireDifference(const std::string& expected, const std::string& received);

}  // namespace qx::test
