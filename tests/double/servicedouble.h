// A local stand-in for the web services that Quillory reads: the karaoke service's
// share pages, singer pages, resolve answers, pictures and audio files, the video
// player's script, and the maker's version file, forum and home page.
//
// The double is an HTTP server on 127.0.0.1 that the program reaches as its HTTP
// proxy, so every request names its absolute address (GET http://changba.com/s/...).
// Built-in answers come from the files in tests/double/data; a test can replace the
// answer for any address with script(), and look at what arrived with requests().
//
// Only standard types appear here, so both the Qt tests and the plain demo program
// can use it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace servicedouble {

struct RecordedRequest {
    std::string method;  // as sent on the wire, e.g. "GET"
    std::string url;     // request target as received (the absolute address when sent to a proxy)
    std::string address; // the absolute address answered ("https://..." inside a tunnel)
    std::vector<std::pair<std::string, std::string>> headers; // as received, in order

    // Value of the first header of that name (case-insensitive); "" when absent.
    std::string header(const std::string &name) const;
};

// What certificate a host shows inside a CONNECT tunnel.
enum class Certificate {
    Good,       // issued by the test authority for that host, valid now
    SelfSigned, // for that host, valid now, but signed by itself
    WrongHost,  // issued by the test authority, valid now, for another host name
    Expired,    // issued by the test authority for that host, no longer valid
};

// The test authority: a certificate authority made up at run time, once per process. Only
// a program told to trust it (SSL_CERT_FILE naming a file that holds it) accepts the
// double's https answers.
const std::string &authorityPem();
// Writes authorityPem() to path; false when the file cannot be written.
bool writeAuthorityFile(const std::string &path);

struct ScriptedResponse {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=utf-8"; // "" sends no Content-Type
    std::vector<std::pair<std::string, std::string>> headers; // extra headers
    int delayMs = 0;              // wait before answering at all
    bool noContentLength = false; // send the body without a Content-Length (chunked)
    long long cutAfter = -1;      // announce the full length, send only this many body bytes, then drop the connection
    int chunkSize = 0;            // when > 0, send the body in pieces of this many bytes...
    int chunkDelayMs = 0;         // ...with this pause between pieces (a slow trickle)
    bool wholeOnly = false;       // answer a range request with the whole body (200), as a server without ranges does
    int times = 0;                // when > 0, only the next `times` requests get this answer, then the address answers as before
};

class ServiceDouble {
public:
    // Binds 127.0.0.1 on a free port and starts the server thread; ready to answer on return.
    ServiceDouble();
    // Same on a fixed port; throws std::runtime_error when the port cannot be bound.
    explicit ServiceDouble(int port);
    // Stops the server and joins its threads, cutting short delayed or trickling answers.
    ~ServiceDouble();

    ServiceDouble(const ServiceDouble &) = delete;
    ServiceDouble &operator=(const ServiceDouble &) = delete;

    int port() const;
    std::string proxyUrl() const; // "http://127.0.0.1:<port>"

    // Answer for one absolute address (exact; scheme and host compared without case,
    // a default ":80" ignored) until reset(). Replaces the built-in answer.
    void script(const std::string &url, ScriptedResponse response);
    // The certificate host shows in its tunnels from now until reset() (Good by default).
    void setCertificate(const std::string &host, Certificate kind);
    // A far network, for benchmarks: every answer waits latencyMs before it starts, and a
    // body that is not scripted in pieces goes out at bytesPerSecond on its connection
    // (0: no cap).
    void setFarNetwork(int latencyMs, long long bytesPerSecond);
    // Called, from the server's threads, with every request as it arrives.
    void setRequestObserver(std::function<void(const RecordedRequest &)> observer);

    // Drops all scripted answers and certificates and all recorded requests.
    void reset();

    std::vector<RecordedRequest> requests() const;
    // Number of recorded requests for that address (compared like script() keys).
    int requestCount(const std::string &url) const;
    // The most requests to host (lower case) that were being answered at one time since the
    // start or reset(): from a request's arrival until the last byte of its answer went.
    int peakConcurrency(const std::string &host) const;

    // The five http share pages and the two singer home pages the tests are built on.
    static std::vector<std::string> sampleShareUrls();
    static std::vector<std::string> sampleSingerUrls();
    // Today's share links: https, with the service's tail after the key. The first is a
    // song; the second a video work (no audio marker, its MP4's address in base64), and
    // both belong to the singer of the first sample page, whose own home page lists them.
    static std::vector<std::string> secureShareUrls();
    // The samples that quillory-service offers for trying the program by hand: every page
    // names its own singer, and every singer page lists only that singer's works.
    static std::vector<std::string> printedShareUrls();
    static std::vector<std::string> printedSingerUrls();

    // A large audio file (audio/mpeg with its Content-Length), generated in memory on
    // first use: the same pseudo-random bytes on every run.
    static std::string largeFileUrl();

    // A generated singer with `works` works, each a share page whose audio file holds
    // bytesPerWork pseudo-random bytes: made on request from the address alone, for
    // runs of any size. Work i (from 1) is titled "作品<i>" and sung by "批量歌手".
    static std::string generatedSingerUrl(int works, size_t bytesPerWork);
    // The share page of work i of such a singer.
    static std::string generatedShareUrl(int work, size_t bytesPerWork);
    // The bytes of that work's audio file.
    static std::string generatedAudio(int work, size_t bytesPerWork);
    static size_t largeFileSize();
    static const std::string &largeFileContent();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Removes the machine's proxy settings from the environment, so that a test or a benchmark
// reaches exactly the double it sets up as its proxy and nothing of the machine's network.
void clearMachineProxy();

} // namespace servicedouble
