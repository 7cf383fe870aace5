#pragma once
// A small HTTP/1.1 server for tests, plain or TLS (self-signed certificate made at run time),
// listening on 127.0.0.1 on an ephemeral port. It is our own raw socket server, so a test sees
// every request byte for byte: request line, header lines in order and spelling, body.
//
//   qx::test::TestServer server(qx::test::TestServer::Https);
//   server.route("/hello", [](const HttpRequestRecord& req, HttpResponse& res) {
//       res.body = "hi " + req.param("name");
//   });
//   std::string url = server.url("/hello?name=x");   // "https://127.0.0.1:PORT/hello?name=x"
//   ... client request ...
//   HttpRequestRecord seen = server.lastRequest();     // what the server received
//
// Handlers run on the connection's own thread; several connections run at once. A handler
// either fills an HttpResponse (route) or writes bytes itself (rawRoute, for stalls, drops,
// malformed answers). Routes match the path exactly (no query); rawRoute wins over route for
// the same path. A request in absolute form ("GET http://host/p HTTP/1.1", as sent to a proxy)
// is routed by its path, so the server doubles as a plain HTTP proxy for tests.
//
// Standard routes (installed unless the constructor is told not to):
//   /echo                  200, body = the request head exactly as received + the request body
//   /status?code=N&reason=R  answer with that status (reason defaults to the usual one)
//   /headers?h=Name:Value&h=...&body=B   answer 200 with these header lines verbatim
//                          (repeat h for several lines, e.g. Set-Cookie twice)
//   /cookies?set=a%3D1%3B%20path%3D%2F&set=b%3D2   one Set-Cookie line per "set"; the body is
//                          the request's Cookie header
//   /redirect?code=302&to=T  redirect to T (relative or absolute as given), body "redirect"
//   /redirect-chain?n=K    K redirects in a row (302, relative), then 200 "done"
//   /redirect-loop         302 to itself, for ever
//   /delay?ms=N            waits N ms, then 200 "delayed"
//   /stall?phase=head      reads the request and never answers
//   /stall?phase=body&length=L&sent=S   head with Content-Length L, S bytes, then silence
//   /drip?bytes=N&interval=MS  Content-Length N, one byte every MS ms (slow but steady)
//   /drop?length=L&sent=S  head with Content-Length L, S bytes, then a connection reset
//   /close                 reads the request and closes without answering
//   /bytes?n=N[&chunked=1] N bytes of patternBytes(0, N), streamed (huge bodies are fine)
//   /chunked?count=C&size=Z  C chunks of Z bytes of the pattern, chunked encoding
//   /file/<name>           a file registered with serveFile, with Range support
//                          (bytes=N-, bytes=N-M; 206 + Content-Range, 416 past the end)
//   /fault?mode=NAME       the fault of that name (faultName) played over a small JSON answer
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace qx::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as the server received it.
struct HttpRequestRecord {
    std::string method;
    std::string target;       // as on the request line ("/a?b" or "http://h/a?b")
    std::string version;      // "HTTP/1.1"
    std::string path;         // target's path, without the query
    std::string query;        // without '?'
    HeaderList headers;       // names as received, values without surrounding blanks
    std::string headerBlock;  // the header lines exactly as received, each ending CR LF
    std::string head;         // request line + header lines + empty line, exactly as received
    std::string body;
    bool tls = false;
    int connectionIndex = 0;  // 1 for the server's first connection, 2 for the second...

    // First header of that name (case-insensitive), "" when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
    int headerCount(std::string_view name) const;
    std::vector<std::string> headerNames() const;
    // The header lines as received, without their CR LF.
    std::vector<std::string> headerLines() const;
    // Query parameter (percent- and '+'-decoded); all values of a repeated one.
    std::string param(std::string_view name) const;
    std::vector<std::string> params(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    std::string reason;  // empty: the usual reason phrase
    HeaderList headers;  // sent verbatim as "Name: Value", in order
    std::string body;
    bool chunked = false;          // send the body with Transfer-Encoding: chunked
    bool closeAfter = false;       // close the connection after this answer
    bool noContentLength = false;  // neither Content-Length nor chunked: the body ends at close

    void add(std::string name, std::string value) { headers.emplace_back(std::move(name), std::move(value)); }
};

// The connection a raw handler writes to.
class Connection {
  public:
    virtual ~Connection() = default;
    virtual bool write(std::string_view bytes) = 0;
    // Waits, but returns false at once when the server is shutting down.
    virtual bool sleep(int ms) = 0;
    virtual bool stopping() const = 0;
    // Ends the connection after the handler: an orderly close, or a reset (RST).
    virtual void close() = 0;
    virtual void reset() = 0;

    // Writes status line, headers (verbatim) and the empty line.
    bool writeHead(int status, std::string_view reason, const HeaderList& headers);
    bool writeResponse(const HttpResponse& response);
};

// Ways a service misbehaves, played on one connection. The fault matrix runs every network
// feature against each of them.
enum class Fault {
    Refused,          // nothing listens: point the host at a closed port (played here: a close)
    ResetMidBody,     // the head and part of the body, then a connection reset
    StallBeforeHead,  // reads the request and never answers
    StallAfterHead,   // the head and part of the body, then silence
    ErrorPage,        // 500 with an HTML page
    RedirectLoop,     // 302 to the same address, for ever
    Garbage,          // bytes that are no HTTP at all, then a close
    WrongTypes,       // the good head with a body of valid syntax whose members have wrong types
    HugeBody,         // 100 MiB of body
    BadEncoding,      // the good head with a body holding invalid UTF-8 and GBK bytes
    ManyCookies,      // the good answer with 1000 Set-Cookie lines
    HugeHeaderLine,   // the good answer with a header line of 1 MiB
    EndlessBody,      // a body without a length that never ends (a feature's row opts in)
};
inline constexpr Fault kAllFaults[] = {
    Fault::Refused,     Fault::ResetMidBody, Fault::StallBeforeHead, Fault::StallAfterHead,
    Fault::ErrorPage,   Fault::RedirectLoop, Fault::Garbage,         Fault::WrongTypes,
    Fault::HugeBody,    Fault::BadEncoding,  Fault::ManyCookies,     Fault::HugeHeaderLine,
    Fault::EndlessBody,
};
const char* faultName(Fault fault);
inline constexpr std::size_t kHugeBodyBytes = std::size_t{100} << 20;
// Byte sequences that are neither valid UTF-8 nor valid GBK: overlong forms, surrogates, lone
// continuation and lead bytes, a GBK pair cut short at the very end.
std::string badTextBytes();
// The page ErrorPage sends.
const std::string& faultErrorPage();
// Plays the fault in place of `good`, the whole answer the service would give (head and body,
// with Content-Length or none). WrongTypes and BadEncoding send good's head with `bent` as body.
void playFault(Fault fault, const HttpRequestRecord& request, Connection& connection, std::string_view good,
               std::string_view bent = {});

class TestServer {
  public:
    // HttpsUnknownCa presents a certificate of a CA that nobody trusts.
    enum Scheme { Http, Https, HttpsUnknownCa };
    // The names the servers' certificate holds: the local ones and the hosts whose requests
    // verify certificates (the notice, the update download, the link shortener tool).
    // The notice's host, the short-link services and the share-link services (whose resolvers
    // verify every server, so their doubles must present a certificate for each host).
    static constexpr const char* kCertificateNames =
        "IP:127.0.0.1,DNS:localhost,DNS:share.weiyun.com,DNS:*.sharepoint.com,DNS:is.gd,DNS:tinyurl.com,"
        "DNS:lanzoui.com,DNS:*.lanzoui.com,DNS:lanzoux.com,DNS:*.lanzoux.com,"
        "DNS:pan.bilnn.com,DNS:webapi.ctfile.com,DNS:yunpan.cn,DNS:*.link.yunpan.com,DNS:.link.yunpan.com,"
        "DNS:wss1.cn,DNS:www.wenshushu.cn";
    using Handler = std::function<void(const HttpRequestRecord&, HttpResponse&)>;
    using RawHandler = std::function<void(const HttpRequestRecord&, Connection&)>;

    explicit TestServer(Scheme scheme = Http, bool standardRoutes = true);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    void route(const std::string& path, Handler handler);
    void rawRoute(const std::string& path, RawHandler handler);
    void setFallback(Handler handler);  // for unrouted paths (default: 404 "not found")
    // For unrouted paths, writing the answer itself; wins over setFallback.
    void setRawFallback(RawHandler handler);
    // Serves content at /file/<name> with Range support.
    void serveFile(const std::string& name, std::string content);

    Scheme scheme() const { return scheme_; }
    int port() const { return port_; }
    std::string hostPort() const;                  // "127.0.0.1:PORT"
    std::string origin() const;                    // "http://127.0.0.1:PORT" or https
    std::string url(std::string_view path) const;  // origin() + path

    std::vector<HttpRequestRecord> requests() const;
    HttpRequestRecord lastRequest() const;  // empty record when none yet
    std::size_t requestCount() const;
    void clearRequests();
    // Waits until at least n requests have come in (false after timeoutMs).
    bool waitForRequests(std::size_t n, int timeoutMs) const;
    int connectionCount() const { return connections_.load(); }
    // Connections currently open (a client that closed its side is gone from the count).
    int openConnections() const { return open_.load(); }
    bool waitForNoOpenConnections(int timeoutMs) const;

    // PEM text of the test CA that issued the certificate all Https servers of this process
    // present (subjectAltName kCertificateNames); certificateFile() is the same in a file, for
    // QUORVEX_EXTRA_CA_FILE.
    static const std::string& certificatePem();
    static const std::string& certificateFile();
    // Deterministic body bytes: byte i of the stream is patternByte(i).
    static char patternByte(std::size_t i) { return static_cast<char>('a' + (i * 7 + i / 4099) % 26); }
    static std::string patternBytes(std::size_t offset, std::size_t n);

  private:
    struct Impl;
    void acceptLoop();
    void serveConnection(int fd, int index);
    void dispatch(const HttpRequestRecord& request, Connection& connection);
    void installStandardRoutes();

    Scheme scheme_;
    int port_ = 0;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::unique_ptr<Impl> impl_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> open_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, Handler> routes_;
    std::map<std::string, RawHandler> rawRoutes_;
    std::map<std::string, std::string> files_;
    Handler fallback_;
    RawHandler rawFallback_;
    std::vector<HttpRequestRecord> requests_;
    std::vector<int> liveFds_;
    std::list<std::thread> threads_;
    std::thread acceptThread_;
};

}  // namespace qx::test
