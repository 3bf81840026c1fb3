#include "servicedouble.h"

#include "samples.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace servicedouble {
namespace {

bool equalsIgnoringCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

std::string RecordedRequest::header(const std::string &name) const
{
    for (const auto &[key, value] : headers)
        if (equalsIgnoringCase(key, name))
            return value;
    return {};
}

ServiceDouble::ServiceDouble(int port)
    : m_server(std::make_unique<httplib::Server>())
{
    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        RecordedRequest recorded{req.method, req.target, {}};
        for (const auto &[key, value] : req.headers)
            recorded.headers.emplace_back(key, value);
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(recorded);
        }
        const ScriptedResponse answer = answerFor(req.target);
        for (int waited = 0; waited < answer.delayMs && !m_stopping; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));

        res.status = answer.status;
        const std::string type = answer.contentType;
        if (answer.cutAfter >= 0) {
            const auto body = std::make_shared<std::string>(answer.body);
            const auto cut = static_cast<size_t>(answer.cutAfter);
            res.set_content_provider(body->size(), type.c_str(),
                                     [body, cut](size_t offset, size_t, httplib::DataSink &sink) {
                                         if (offset >= cut)
                                             return false; // drops the connection
                                         sink.write(body->data() + offset, std::min(cut, body->size()) - offset);
                                         return true;
                                     });
            return;
        }
        res.set_content(answer.body, type.c_str());
        if (type.empty())
            res.headers.erase("Content-Type");
    };
    m_server->Get(R"(.*)", handler);
    m_server->set_keep_alive_max_count(100);
    m_server->set_keep_alive_timeout(1);

    m_port = port == 0 ? m_server->bind_to_any_port("127.0.0.1") : (m_server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (m_port <= 0)
        throw std::runtime_error("the service double cannot listen on 127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

ServiceDouble::~ServiceDouble()
{
    m_stopping = true;
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string ServiceDouble::proxyUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void ServiceDouble::script(const std::string &url, ScriptedResponse response)
{
    std::lock_guard lock(m_mutex);
    m_scripts[url] = std::move(response);
}

void ServiceDouble::reset()
{
    std::lock_guard lock(m_mutex);
    m_scripts.clear();
    m_requests.clear();
}

std::vector<RecordedRequest> ServiceDouble::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int ServiceDouble::requestCount(const std::string &url) const
{
    std::lock_guard lock(m_mutex);
    return int(std::count_if(m_requests.begin(), m_requests.end(), [&](const auto &r) { return r.url == url; }));
}

ScriptedResponse ServiceDouble::answerFor(const std::string &url) const
{
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_scripts.find(url);
        if (found != m_scripts.end())
            return found->second;
    }
    return builtInAnswer(url);
}

} // namespace servicedouble
