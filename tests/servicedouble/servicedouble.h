#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

// A local stand-in for the web services the program reads. The program reaches it as
// its HTTP proxy, so every request arrives with an absolute target naming the real host.
namespace servicedouble {

struct RecordedRequest {
    std::string method;
    std::string url; // absolute, as received
    std::vector<std::pair<std::string, std::string>> headers;
    std::string header(const std::string &name) const; // case-insensitive, "" when absent
};

struct ScriptedResponse {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=utf-8"; // "" sends none
    int delayMs = 0;         // wait before answering at all
    long long cutAfter = -1; // announce the whole body, send this many bytes, drop the connection
};

class ServiceDouble
{
public:
    explicit ServiceDouble(int port = 0); // 0 picks a free port
    ~ServiceDouble();
    ServiceDouble(const ServiceDouble &) = delete;
    ServiceDouble &operator=(const ServiceDouble &) = delete;

    int port() const { return m_port; }
    std::string proxyUrl() const;

    // Answers url (exact, absolute) with response until reset().
    void script(const std::string &url, ScriptedResponse response);
    void reset();

    std::vector<RecordedRequest> requests() const;
    int requestCount(const std::string &url) const;

    static std::vector<std::string> sampleShareUrls();

private:
    ScriptedResponse answerFor(const std::string &url) const;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::map<std::string, ScriptedResponse> m_scripts;
    std::vector<RecordedRequest> m_requests;
};

} // namespace servicedouble
