#include "servicedouble.h"

#include "testauthority.h"

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <iconv.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <stdexcept>
#include <thread>

#ifndef SERVICEDOUBLE_DATA_DIR
#error "SERVICEDOUBLE_DATA_DIR must name the folder that holds the built-in content"
#endif

namespace servicedouble {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kDataDir = SERVICEDOUBLE_DATA_DIR;
const std::string kShareBase = "http://changba.com/s/";
const std::string kSingerBase = "http://changba.com/member/personcenter/userPage.php?uid=";

// How a share page travels: most pages are UTF-8 and say so in the header; one says
// GB18030 in the header only, one says GBK in a meta tag only. The files in data/pages
// are all kept in UTF-8 and converted on the way out.
enum class PageCharset { Utf8, Gb18030InHeader, GbkInMetaOnly };

struct SampleSong {
    const char *key;    // share-page key: <share base>/<key>
    const char *workId; // media file name without its extension, and the singer page's data-id
    PageCharset charset;
    bool secure = false;       // shared (and resolved) as an https address
    const char *shareTail = ""; // what today's share links carry after the key
    bool printed = true;       // among the samples offered for trying the program by hand
};

constexpr SampleSong kSongs[] = {
    {"Wc7nGGH3ZBbq", "1043562829", PageCharset::Utf8},
    // Its title's song name holds a "-", so the singer comes out empty: kept for the tests.
    {"Kp2vRt9sLmQx", "1043570016", PageCharset::Utf8, false, "", false},
    {"Gb7Yz4QwNe5s", "986754321", PageCharset::Gb18030InHeader},
    {"Hx8Jd2PaVk3T", "1050001234", PageCharset::GbkInMetaOnly},
    {"Tz5Nw1Cq8RbM", "1049990007", PageCharset::Utf8},
    {"Qm3Rb8TzLw5Ka1VnYc7DsE", "1052460001", PageCharset::Utf8, true, "?&cbcode=Hb4ty7021ne&from=pcrecommend"},
    // A video work: its page has no audio marker, only the video's address in base64.
    {"Vd2Kx9PqRt4Wm8NbLs6HcA", "1052460002", PageCharset::Utf8, true, "?&cbcode=Lq8we3150kt&from=pcrecommend"},
};

struct SampleSinger {
    const char *uid;
    bool printed; // offered for trying the program by hand
    bool classic; // among sampleSingerUrls()
};

// 20130815 lists works of several singers (the tests' list); 20130816 is one singer's own.
constexpr SampleSinger kSingers[] = {{"20130815", false, true}, {"20130816", true, false}, {"20140001", true, true}};

const std::string kSecureShareBase = "https://changba.com/s/";

std::string shareBaseOf(const SampleSong &song)
{
    return song.secure ? kSecureShareBase : kShareBase;
}

const std::string kLargeFileUrl = "http://qiniuuwmp3.changba.com/userdata/userwork/large/20mb.mp3";
constexpr size_t kLargeFileSize = 20 * 1024 * 1024;

// Timings of one connection. Waits are cut into short slices so that a stopping
// server is noticed quickly.
constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 30000;
constexpr int kKeepAliveMs = 5000;
constexpr int kWaitSliceMs = 20;
constexpr size_t kKeepAliveRequests = 100;
constexpr size_t kWorkerThreads = 16;
constexpr int kHandshakeTimeoutMs = 30000; // a busy client may take its time to start TLS

// Content-Type values pass through httplib behind this prefix: httplib then neither
// compresses the body (it only compresses text types) nor puts in a type of its own
// when there is none. The connection strips the prefix again on the way out, and drops
// the header when nothing follows the prefix.
const std::string kTypePrefix = "x-servicedouble/";

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool iequals(const std::string &a, const std::string &b)
{
    return lower(a) == lower(b);
}

std::string trim(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool startsWith(const std::string &s, const std::string &prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::optional<std::string> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string fromUtf8(const std::string &text, const char *charset)
{
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no converter from UTF-8 to ") + charset);
    std::string out(text.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    char *to = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("page text does not fit ") + charset);
    out.resize(out.size() - outLeft);
    return out;
}

// The absolute address of a request target, in the form used as the key of scripts and
// request counts: scheme and host in lower case, no default port, at least "/" as path,
// no fragment. An origin-form target ("/s/abc") is placed on the Host header's host, with
// the scheme of the connection it came on.
std::string absoluteAddress(std::string target, const std::string &hostHeader,
                            const std::string &connectionScheme = "http")
{
    if (const auto hash = target.find('#'); hash != std::string::npos)
        target.resize(hash);
    if (!target.empty() && target[0] == '/')
        target = connectionScheme + "://" + hostHeader + target;
    const auto sep = target.find("://");
    if (sep == std::string::npos)
        return target;
    const std::string scheme = lower(target.substr(0, sep));
    const std::string rest = target.substr(sep + 3);
    const auto end = rest.find_first_of("/?");
    std::string authority = lower(rest.substr(0, end));
    std::string tail = end == std::string::npos ? std::string() : rest.substr(end);
    const std::string defaultPort = scheme == "https" ? ":443" : scheme == "http" ? ":80" : "";
    if (!defaultPort.empty() && authority.size() > defaultPort.size()
        && authority.compare(authority.size() - defaultPort.size(), defaultPort.size(), defaultPort) == 0)
        authority.resize(authority.size() - defaultPort.size());
    if (tail.empty() || tail[0] == '?')
        tail.insert(0, "/");
    return scheme + "://" + authority + tail;
}

struct Address {
    std::string host;
    std::string path;
    std::string query;
};

Address splitAddress(const std::string &absolute)
{
    Address a;
    const auto sep = absolute.find("://");
    if (sep == std::string::npos)
        return a;
    const std::string rest = absolute.substr(sep + 3);
    const auto slash = rest.find('/');
    a.host = rest.substr(0, slash);
    std::string tail = slash == std::string::npos ? "/" : rest.substr(slash);
    const auto question = tail.find('?');
    a.path = tail.substr(0, question);
    if (question != std::string::npos)
        a.query = tail.substr(question + 1);
    return a;
}

std::string queryValue(const std::string &query, const std::string &name)
{
    size_t start = 0;
    while (start <= query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string field = query.substr(start, end - start);
        if (startsWith(field, name + "="))
            return field.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

ScriptedResponse notFound()
{
    ScriptedResponse r;
    r.status = 404;
    r.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>404 Not Found</title></head>\n"
             "<body><h1>404 Not Found</h1><p>您访问的页面不存在</p></body></html>\n";
    return r;
}

// Media answers carry a validator, as the service's file hosts send one: the same body at
// the same address always has the same ETag, so that a part can be continued.
ScriptedResponse withValidator(ScriptedResponse r, const std::string &address)
{
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%zx-%zx\"", std::hash<std::string>{}(address), r.body.size());
    r.headers.emplace_back("ETag", tag);
    return r;
}

ScriptedResponse fileAnswer(const std::string &relativePath, const std::string &contentType)
{
    auto bytes = readFile(kDataDir + "/" + relativePath);
    if (!bytes)
        return notFound();
    ScriptedResponse r;
    r.body = std::move(*bytes);
    r.contentType = contentType;
    return r;
}

const SampleSong *songByKey(const std::string &key)
{
    for (const auto &song : kSongs)
        if (key == song.key)
            return &song;
    return nullptr;
}

const SampleSong *songByWorkId(const std::string &workId)
{
    for (const auto &song : kSongs)
        if (workId == song.workId)
            return &song;
    return nullptr;
}

ScriptedResponse sharePage(const SampleSong &song)
{
    ScriptedResponse r = fileAnswer(std::string("pages/") + song.key + ".html", "text/html; charset=utf-8");
    if (r.status != 200)
        return r;
    switch (song.charset) {
    case PageCharset::Utf8:
        break;
    case PageCharset::Gb18030InHeader:
        r.body = fromUtf8(r.body, "GB18030");
        r.contentType = "text/html; charset=gb18030";
        break;
    case PageCharset::GbkInMetaOnly:
        r.body = fromUtf8(r.body, "GBK");
        r.contentType = "text/html";
        break;
    }
    return r;
}

bool isPlainFileName(const std::string &name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find("..") == std::string::npos;
}

std::string imageType(const std::string &name)
{
    const std::string n = lower(name);
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0)
        return "image/png";
    return "image/jpeg";
}

// Generated works: the singer "gen<N>x<B>" has N works with the ids "g<B>n<i>", each
// answering with B bytes of audio.
const std::string kGeneratedSinger = "gen";
const std::regex kGeneratedSingerId(R"(^gen([0-9]{1,5})x([0-9]{1,10})$)");
const std::regex kGeneratedWorkId(R"(^g([0-9]{1,10})n([0-9]{1,5})$)");
constexpr size_t kMaxGeneratedBytes = size_t(1) << 30;

std::string generatedWorkId(int work, size_t bytes)
{
    return "g" + std::to_string(bytes) + "n" + std::to_string(work);
}

std::string generatedAudioUrl(int work, size_t bytes)
{
    return "http://qiniuuwmp3.changba.com/userdata/userwork/gen/" + generatedWorkId(work, bytes) + ".mp3";
}

std::optional<std::pair<int, size_t>> parseGeneratedWork(const std::string &id)
{
    std::smatch m;
    if (!std::regex_match(id, m, kGeneratedWorkId))
        return std::nullopt;
    const size_t bytes = std::stoull(m[1].str());
    if (bytes > kMaxGeneratedBytes)
        return std::nullopt;
    return std::make_pair(std::stoi(m[2].str()), bytes);
}

ScriptedResponse generatedSingerPage(int works, size_t bytes)
{
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>批量歌手的个人主页 - 唱吧</title>"
                       "</head>\n<body><ul class=\"work-list\">\n";
    for (int i = 1; i <= works; ++i)
        page += "<li><a class=\"work\" data-id=\"" + generatedWorkId(i, bytes) + "\">作品" + std::to_string(i)
                + "</a></li>\n";
    page += "</ul><div class=\"pager\"><a class=\"more\" data-id=\"more\">更多</a></div></body></html>\n";
    ScriptedResponse r;
    r.body = std::move(page);
    return r;
}

ScriptedResponse generatedSharePage(int work, size_t bytes)
{
    const std::string n = std::to_string(work);
    ScriptedResponse r;
    r.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>作品" + n
             + " - 批量歌手唱吧 - 唱吧，你的随身KTV</title></head>\n<body>\n"
               "<div class=\"des twemoji\">生成的作品</div>\n"
               "<script>(function(){var a=\""
             + generatedAudioUrl(work, bytes) + "\",b=0;})();</script>\n</body></html>\n";
    return r;
}

// The answer of the built-in services for an absolute address.
ScriptedResponse builtInAnswer(const std::string &url)
{
    static const std::regex audioHost(R"(^(qiniuuwmp3|a-?[0-9]+mp3)\.changba\.com$)");
    static const std::regex audioPath(R"(^/userdata/userwork/[^/]+/([0-9A-Za-z_]+)\.mp3$)");

    const Address a = splitAddress(url);
    if (a.host == "changba.com") {
        if (startsWith(a.path, "/s/")) {
            if (const SampleSong *song = songByKey(a.path.substr(3)))
                return sharePage(*song);
            if (const auto work = parseGeneratedWork(a.path.substr(3)))
                return generatedSharePage(work->first, work->second);
        } else if (a.path == "/member/personcenter/userPage.php") {
            const std::string uid = queryValue(a.query, "uid");
            for (const SampleSinger &singer : kSingers)
                if (uid == singer.uid)
                    return fileAnswer("singers/" + uid + ".html", "text/html; charset=utf-8");
            std::smatch m;
            if (std::regex_match(uid, m, kGeneratedSingerId) && std::stoull(m[2].str()) <= kMaxGeneratedBytes)
                return generatedSingerPage(std::stoi(m[1].str()), std::stoull(m[2].str()));
        } else if (a.path == "/member/personcenter/loadplayurl.php") {
            const std::string wid = queryValue(a.query, "wid");
            if (songByWorkId(wid) || parseGeneratedWork(wid)) {
                ScriptedResponse r;
                const SampleSong *song = songByWorkId(wid);
                r.body = song ? shareBaseOf(*song) + song->key : kShareBase + wid;
                r.contentType = "text/plain; charset=utf-8";
                return r;
            }
        }
        return notFound();
    }
    if (a.host == "aliimg.changba.com") {
        const std::string folder = "/cache/photo/";
        if (startsWith(a.path, folder) && a.query.empty()) {
            const std::string name = a.path.substr(folder.size());
            if (isPlainFileName(name))
                return fileAnswer("avatars/" + name, imageType(name));
        }
        return notFound();
    }
    if (url == kLargeFileUrl) {
        ScriptedResponse r;
        r.body = ServiceDouble::largeFileContent();
        r.contentType = "audio/mpeg";
        return withValidator(std::move(r), url);
    }
    std::smatch m;
    if (std::regex_match(a.host, audioHost)) {
        if (std::regex_match(a.path, m, audioPath) && songByWorkId(m[1].str()))
            return withValidator(fileAnswer("audio/" + m[1].str() + ".mp3", "audio/mpeg"), url);
        if (std::regex_match(a.path, m, audioPath)) {
            if (const auto work = parseGeneratedWork(m[1].str())) {
                ScriptedResponse r;
                r.body = ServiceDouble::generatedAudio(work->first, work->second);
                r.contentType = "audio/mpeg";
                return withValidator(std::move(r), url);
            }
        }
        return notFound();
    }
    static const std::regex videoPath(R"(^/video/([0-9]+)\.mp4$)");
    if (a.host == "qiniuuwvideo.changba.com") {
        if (std::regex_match(a.path, m, videoPath) && songByWorkId(m[1].str()))
            return withValidator(fileAnswer("video/" + m[1].str() + ".mp4", "video/mp4"), url);
        return notFound();
    }
    if (a.host == "player.youku.com" && startsWith(a.path, "/player"))
        return fileAnswer("player/player.js", "application/javascript; charset=utf-8");
    if (a.host == "soft.solvane.com" && a.path == "/version/main.txt")
        return fileAnswer("maker/version-main.txt", "text/plain; charset=utf-8");
    if (a.host == "bbs.solvane.com" && (a.path == "/" || a.path == "/index.html"))
        return fileAnswer("maker/forum.html", "text/html; charset=utf-8");
    if (a.host == "www.solvane.com" && (a.path == "/" || a.path == "/index.html"))
        return fileAnswer("maker/home.html", "text/html; charset=utf-8");
    return notFound();
}

// What the connection saw of the request in hand, before httplib's parsing: the method
// exactly as sent and the header lines in their order. httplib keeps headers sorted by
// name and refuses a method that is not upper case, so the connection keeps its own copy
// and hands httplib the method in upper case. The handler runs on the connection's thread.
struct WireRequest {
    std::string method;
    std::vector<std::pair<std::string, std::string>> headers;
};
thread_local WireRequest t_wireRequest;

// The host of the tunnel that the request in hand asked for (CONNECT host:port), so the
// connection can turn into that tunnel once the answer is out.
thread_local std::string t_tunnelRequested;
// The host whose tunnel the connection serves, "" on a plain connection.
thread_local std::string t_tunnelHost;

// Waits until sock is ready for events, in short slices so that a stopping server is
// noticed quickly. True when ready (or hung up: the next read or write tells which).
bool waitForSocket(int sock, short events, int timeoutMs, const std::atomic<bool> &stopping)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (stopping)
            return false;
        pollfd p{sock, events, 0};
        const int r = ::poll(&p, 1, kWaitSliceMs);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline)
            return false;
    }
}

// Waits for what an SSL call that returned r needs; false when it failed for good.
bool waitForTls(SSL *ssl, int r, int sock, int timeoutMs, const std::atomic<bool> &stopping)
{
    switch (SSL_get_error(ssl, r)) {
    case SSL_ERROR_WANT_READ:
        return waitForSocket(sock, POLLIN, timeoutMs, stopping);
    case SSL_ERROR_WANT_WRITE:
        return waitForSocket(sock, POLLOUT, timeoutMs, stopping);
    default:
        ERR_clear_error();
        return false;
    }
}

// One client connection, plain or (ssl given) the TLS inside a tunnel.
class Connection final : public httplib::Stream {
public:
    Connection(int sock, const std::atomic<bool> &stopping, SSL *ssl = nullptr)
        : sock_(sock), stopping_(stopping), ssl_(ssl)
    {
    }

    bool is_readable() const override { return buffered() || waitFor(POLLIN, kReadTimeoutMs); }
    bool is_writable() const override { return waitFor(POLLOUT, kWriteTimeoutMs); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (pos_ == len_) {
            const ssize_t n = receive();
            if (n <= 0)
                return n < 0 ? -1 : 0;
            pos_ = 0;
            len_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, len_ - pos_);
        for (size_t i = 0; i < n; ++i) {
            char c = buf_[pos_ + i];
            take(c);
            ptr[i] = c;
        }
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        if (stopping_)
            return -1;
        if (out_ == Out::Head) {
            head_.append(ptr, size);
            const auto end = head_.find("\r\n\r\n");
            if (end == std::string::npos)
                return static_cast<ssize_t>(size);
            const std::string rest = head_.substr(end + 4);
            head_.resize(end + 4);
            const std::string head = rewriteHead(head_);
            head_.clear();
            out_ = Out::Body;
            if (!sendAll(head.data(), head.size()) || !sendAll(rest.data(), rest.size()))
                return -1;
            return static_cast<ssize_t>(size);
        }
        return sendAll(ptr, size) ? static_cast<ssize_t>(size) : -1;
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override { endpoint(true, ip, port); }
    void get_local_ip_and_port(std::string &ip, int &port) const override { endpoint(false, ip, port); }
    socket_t socket() const override { return sock_; }

    // True when a next request starts within the keep-alive time.
    bool waitForRequest() const { return buffered() || waitFor(POLLIN, kKeepAliveMs); }

private:
    bool buffered() const { return pos_ < len_ || (ssl_ && SSL_pending(ssl_) > 0); }

    // Fills buf_ with what arrives next: its size, 0 at the end, -1 on failure.
    ssize_t receive()
    {
        if (ssl_) {
            for (;;) {
                const int r = SSL_read(ssl_, buf_, sizeof buf_);
                if (r > 0)
                    return r;
                if (SSL_get_error(ssl_, r) == SSL_ERROR_ZERO_RETURN)
                    return 0;
                if (!waitForTls(ssl_, r, sock_, kReadTimeoutMs, stopping_))
                    return -1;
            }
        }
        if (!waitFor(POLLIN, kReadTimeoutMs))
            return -1;
        ssize_t n;
        do {
            n = ::recv(sock_, buf_, sizeof buf_, 0);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    enum class In { Start, Method, Target, Header, Body, Opaque };
    enum class Out { Head, Body };

    bool waitFor(short events, int timeoutMs) const { return waitForSocket(sock_, events, timeoutMs, stopping_); }

    bool sendAll(const char *p, size_t n)
    {
        while (ssl_ && n > 0) {
            if (stopping_)
                return false;
            const int w = SSL_write(ssl_, p, static_cast<int>(std::min<size_t>(n, 1 << 20)));
            if (w > 0) {
                p += w;
                n -= static_cast<size_t>(w);
            } else if (!waitForTls(ssl_, w, sock_, kWriteTimeoutMs, stopping_)) {
                return false;
            }
        }
        while (n > 0) {
            if (!waitFor(POLLOUT, kWriteTimeoutMs))
                return false;
            const ssize_t w = ::send(sock_, p, n, MSG_NOSIGNAL);
            if (w < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                return false;
            }
            p += w;
            n -= static_cast<size_t>(w);
        }
        return true;
    }

    // Follows the request bytes as httplib takes them, one by one.
    void take(char &c)
    {
        switch (in_) {
        case In::Start:
            if (c == '\r' || c == '\n')
                break;
            method_.clear();
            headers_.clear();
            line_.clear();
            out_ = Out::Head;
            head_.clear();
            in_ = In::Method;
            [[fallthrough]];
        case In::Method:
            if (c == ' ') {
                in_ = In::Target;
            } else {
                method_ += c;
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            break;
        case In::Target:
            if (c == '\n')
                in_ = In::Header;
            break;
        case In::Header:
            if (c != '\n') {
                if (line_.size() < 65536)
                    line_ += c;
                break;
            }
            if (!line_.empty() && line_.back() == '\r')
                line_.pop_back();
            if (line_.empty())
                endOfHead();
            else if (const auto colon = line_.find(':'); colon != std::string::npos)
                headers_.emplace_back(line_.substr(0, colon), trim(line_.substr(colon + 1)));
            line_.clear();
            break;
        case In::Body:
            if (--bodyLeft_ == 0)
                in_ = In::Start;
            break;
        case In::Opaque:
            break;
        }
    }

    void endOfHead()
    {
        t_wireRequest = WireRequest{method_, headers_};
        in_ = In::Start;
        for (const auto &[name, value] : headers_) {
            if (iequals(name, "Transfer-Encoding") && lower(value).find("chunked") != std::string::npos) {
                in_ = In::Opaque; // a chunked request body: stop following this connection
                return;
            }
            if (iequals(name, "Content-Length")) {
                const unsigned long long length = std::strtoull(value.c_str(), nullptr, 10);
                if (length > 0) {
                    bodyLeft_ = length;
                    in_ = In::Body;
                }
            }
        }
    }

    static std::string rewriteHead(const std::string &head)
    {
        std::string out;
        size_t start = 0;
        while (start < head.size()) {
            const auto end = head.find("\r\n", start);
            const std::string line = head.substr(start, end - start);
            start = end + 2;
            const auto colon = line.find(':');
            if (colon != std::string::npos && iequals(line.substr(0, colon), "Content-Type")) {
                const std::string value = trim(line.substr(colon + 1));
                if (startsWith(value, kTypePrefix)) {
                    const std::string real = value.substr(kTypePrefix.size());
                    if (!real.empty())
                        out += "Content-Type: " + real + "\r\n";
                    continue;
                }
            }
            out += line + "\r\n";
        }
        return out;
    }

    void endpoint(bool peer, std::string &ip, int &port) const
    {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        const int r = peer ? ::getpeername(sock_, reinterpret_cast<sockaddr *>(&addr), &len)
                           : ::getsockname(sock_, reinterpret_cast<sockaddr *>(&addr), &len);
        if (r != 0 || addr.ss_family != AF_INET)
            return;
        const auto *in4 = reinterpret_cast<const sockaddr_in *>(&addr);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &in4->sin_addr, text, sizeof text);
        ip = text;
        port = ntohs(in4->sin_port);
    }

    int sock_;
    const std::atomic<bool> &stopping_;
    SSL *ssl_;
    char buf_[16384];
    size_t pos_ = 0;
    size_t len_ = 0;

    In in_ = In::Start;
    std::string method_;
    std::string line_;
    std::vector<std::pair<std::string, std::string>> headers_;
    unsigned long long bodyLeft_ = 0;

    Out out_ = Out::Head;
    std::string head_;
};

// httplib's server with our own connection handling: each accepted socket is served
// through a Connection, request after request, until the client closes, the keep-alive
// time runs out or the server stops.
class ProxyServer final : public httplib::Server {
public:
    explicit ProxyServer(const std::atomic<bool> &stopping) : stopping_(stopping) {}

private:
    bool process_and_close_socket(socket_t sock) override
    {
        // Like a production web server, answers go out at once: otherwise a small answer
        // written in two pieces waits for the client's delayed acknowledgement, 40 ms a
        // request.
        const int one = 1;
        ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        t_tunnelHost.clear();
        t_tunnelRequested.clear();
        bool ok = serve(Connection(sock, stopping_));
        if (ok && !t_tunnelRequested.empty()) {
            // CONNECT answered: the rest of the connection is TLS for that host.
            t_tunnelHost = t_tunnelRequested;
            t_tunnelRequested.clear();
            ok = serveTunnel(sock);
            t_tunnelHost.clear();
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    // Serves request after request until the client closes, the keep-alive time runs out,
    // the server stops, or a request asks for a tunnel.
    bool serve(Connection &&connection)
    {
        bool ok = false;
        size_t left = std::min(keep_alive_max_count_, kKeepAliveRequests);
        while (left > 0 && !stopping_ && svr_sock_ != INVALID_SOCKET && connection.waitForRequest()) {
            bool closed = false;
            ok = process_request(connection, left == 1, closed, nullptr);
            if (!ok || closed || !t_tunnelRequested.empty())
                break;
            --left;
        }
        return ok;
    }

    // Shakes hands with the certificate scripted for the tunnel's host, then serves the
    // requests inside. A client that refuses the certificate ends the connection.
    bool serveTunnel(int sock)
    {
        SSL *ssl = SSL_new(serverContext(t_tunnelHost, certificateFor(t_tunnelHost)));
        if (!ssl)
            return false;
        ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
        SSL_set_fd(ssl, sock);
        bool ok = false;
        for (;;) {
            const int r = SSL_accept(ssl);
            if (r == 1) {
                ok = true;
                break;
            }
            if (!waitForTls(ssl, r, sock, kHandshakeTimeoutMs, stopping_))
                break;
        }
        if (ok) {
            ok = serve(Connection(sock, stopping_, ssl));
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ERR_clear_error();
        return ok;
    }

    const std::atomic<bool> &stopping_;

public:
    std::function<Certificate(const std::string &)> certificateFor;
};

} // namespace

std::string RecordedRequest::header(const std::string &name) const
{
    for (const auto &[key, value] : headers)
        if (iequals(key, name))
            return value;
    return {};
}

struct ServiceDouble::Impl {
    std::atomic<bool> stopping{false};
    ProxyServer server{stopping};
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable wake; // signalled when the server stops
    std::map<std::string, ScriptedResponse> scripts;
    std::map<std::string, Certificate> certificates; // by host, lower case
    std::vector<RecordedRequest> recorded;
    std::vector<std::string> recordedAddresses;
    std::map<std::string, int> answering, peaks; // requests being answered, by host
    std::atomic<int> latencyMs{0};
    std::atomic<long long> bytesPerSecond{0};
    std::function<void(const RecordedRequest &)> observer;

    void start(int fixedPort)
    {
        server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
        server.certificateFor = [this](const std::string &host) { return certificateFor(host); };
        server.set_keep_alive_max_count(kKeepAliveRequests);
        // Address reuse only: the library's default also shares the port with another
        // process (SO_REUSEPORT), so a second double on a taken port would start without
        // complaint and answer half of the requests.
        server.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });
        server.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
            handle(req, res);
            return httplib::Server::HandlerResponse::Handled;
        });
        if (fixedPort > 0) {
            if (!server.bind_to_port("127.0.0.1", fixedPort))
                throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(fixedPort));
            port = fixedPort;
        } else {
            port = server.bind_to_any_port("127.0.0.1");
            if (port <= 0)
                throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        thread = std::thread([this] { server.listen_after_bind(); });
        // The socket already accepts connections; wait for the accept loop so that
        // stop() reaches it.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!server.is_running() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void stop()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        server.stop();
        if (thread.joinable())
            thread.join();
    }

    // Waits up to the given time; false when the server is stopping.
    bool stopped(std::chrono::milliseconds time)
    {
        std::unique_lock lock(mutex);
        return wake.wait_for(lock, time, [this] { return stopping.load(); });
    }

    bool pause(int ms) { return !stopped(std::chrono::milliseconds(ms)); }

    Certificate certificateFor(const std::string &host)
    {
        std::lock_guard lock(mutex);
        const auto it = certificates.find(host);
        return it == certificates.end() ? Certificate::Good : it->second;
    }

    void handle(const httplib::Request &req, httplib::Response &res)
    {
        RecordedRequest record;
        record.method = t_wireRequest.method.empty() ? req.method : t_wireRequest.method;
        record.url = req.target;
        record.headers = t_wireRequest.headers;
        t_wireRequest = {};
        if (record.headers.empty())
            record.headers.assign(req.headers.begin(), req.headers.end());

        if (req.method == "CONNECT") {
            // "host:port": the connection turns into a TLS tunnel for host after this answer.
            record.address = req.target;
            {
                std::lock_guard lock(mutex);
                recorded.push_back(std::move(record));
                recordedAddresses.push_back(req.target);
            }
            t_tunnelRequested = lower(req.target.substr(0, req.target.rfind(':')));
            res.status = 200;
            return;
        }

        const std::string address = t_tunnelHost.empty()
                                        ? absoluteAddress(req.target, req.get_header_value("Host"))
                                        : absoluteAddress(req.target, t_tunnelHost, "https");
        record.address = address;
        std::optional<ScriptedResponse> answer;
        const std::string host = splitAddress(address).host;
        {
            std::lock_guard lock(mutex);
            if (observer)
                observer(record);
            recorded.push_back(std::move(record));
            recordedAddresses.push_back(address);
            if (const auto it = scripts.find(address); it != scripts.end()) {
                answer = it->second;
                if (it->second.times > 0 && --it->second.times == 0)
                    scripts.erase(it);
            }
            peaks[host] = std::max(peaks[host], ++answering[host]);
        }
        // Held by the answer until its last byte is out.
        const std::shared_ptr<void> answered(nullptr, [this, host](void *) {
            std::lock_guard lock(mutex);
            --answering[host];
        });
        if (!answer) {
            try {
                answer = builtInAnswer(address);
            } catch (const std::exception &e) {
                answer = ScriptedResponse{};
                answer->status = 500;
                answer->body = e.what();
                answer->contentType = "text/plain; charset=utf-8";
            }
        }
        if (answer->wholeOnly) {
            // A server without ranges: the whole body, 200, whatever was asked.
            const_cast<httplib::Request &>(req).ranges.clear();
        }
        respond(std::move(*answer), res, answered);
    }

    void respond(ScriptedResponse a, httplib::Response &res, const std::shared_ptr<void> &answered)
    {
        // A far network: every answer waits, and each connection's body is capped.
        if (latencyMs > 0 && !pause(latencyMs))
            return;
        if (const long long rate = bytesPerSecond; rate > 0 && a.chunkSize == 0) {
            constexpr int kGapMs = 4;
            a.chunkSize = int(std::max<long long>(1, rate * kGapMs / 1000));
            a.chunkDelayMs = kGapMs;
        }
        if (a.delayMs > 0 && !pause(a.delayMs))
            return; // stopping: the connection refuses to write anything now
        // A plain 200 is left to httplib, which turns it into 206 for a range request.
        if (a.status != 200)
            res.status = a.status;
        for (const auto &[name, value] : a.headers)
            res.set_header(name, value);
        const std::string type = kTypePrefix + a.contentType;

        const size_t size = a.body.size();
        const bool cut = a.cutAfter >= 0 && static_cast<unsigned long long>(a.cutAfter) < size;
        const bool paced = a.chunkSize > 0 || cut || a.noContentLength;
        if (!paced || (size == 0 && !a.noContentLength)) {
            res.set_header("Content-Type", type);
            res.body = std::move(a.body);
            return;
        }

        const auto body = std::make_shared<const std::string>(std::move(a.body));
        const size_t limit = cut ? static_cast<size_t>(a.cutAfter) : size;
        const size_t piece = a.chunkSize > 0 ? static_cast<size_t>(a.chunkSize) : std::max<size_t>(limit, 1);
        const int gapMs = a.chunkDelayMs;
        // Writes the next piece at offset; false ends the answer by dropping the connection.
        auto writePiece = [this, body, limit, piece, gapMs, answered](size_t offset, httplib::DataSink &sink) {
            if (offset >= limit)
                return false;
            if (offset > 0 && gapMs > 0 && !pause(gapMs))
                return false;
            return sink.write(body->data() + offset, std::min(piece, limit - offset));
        };
        if (a.noContentLength) {
            res.set_chunked_content_provider(type, [writePiece, limit, cut](size_t offset, httplib::DataSink &sink) {
                if (offset >= limit && !cut) {
                    sink.done();
                    return true;
                }
                return writePiece(offset, sink);
            });
        } else {
            res.set_content_provider(size, type, [writePiece](size_t offset, size_t, httplib::DataSink &sink) {
                return writePiece(offset, sink);
            });
        }
    }
};

ServiceDouble::ServiceDouble() : impl_(std::make_unique<Impl>())
{
    impl_->start(0);
}

ServiceDouble::ServiceDouble(int port) : impl_(std::make_unique<Impl>())
{
    impl_->start(port);
}

ServiceDouble::~ServiceDouble()
{
    impl_->stop();
}

int ServiceDouble::port() const
{
    return impl_->port;
}

std::string ServiceDouble::proxyUrl() const
{
    return "http://127.0.0.1:" + std::to_string(impl_->port);
}

void ServiceDouble::setFarNetwork(int latencyMs, long long bytesPerSecond)
{
    impl_->latencyMs = latencyMs;
    impl_->bytesPerSecond = bytesPerSecond;
}

void ServiceDouble::setRequestObserver(std::function<void(const RecordedRequest &)> observer)
{
    std::lock_guard lock(impl_->mutex);
    impl_->observer = std::move(observer);
}

void ServiceDouble::script(const std::string &url, ScriptedResponse response)
{
    std::lock_guard lock(impl_->mutex);
    impl_->scripts[absoluteAddress(url, {})] = std::move(response);
}

void ServiceDouble::setCertificate(const std::string &host, Certificate kind)
{
    std::lock_guard lock(impl_->mutex);
    impl_->certificates[lower(host)] = kind;
}

void ServiceDouble::reset()
{
    std::lock_guard lock(impl_->mutex);
    impl_->scripts.clear();
    impl_->certificates.clear();
    impl_->recorded.clear();
    impl_->recordedAddresses.clear();
    impl_->peaks.clear();
}

int ServiceDouble::peakConcurrency(const std::string &host) const
{
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->peaks.find(host);
    return it == impl_->peaks.end() ? 0 : it->second;
}

std::vector<RecordedRequest> ServiceDouble::requests() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->recorded;
}

int ServiceDouble::requestCount(const std::string &url) const
{
    const std::string address = absoluteAddress(url, {});
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(std::count(impl_->recordedAddresses.begin(), impl_->recordedAddresses.end(), address));
}

std::vector<std::string> ServiceDouble::sampleShareUrls()
{
    std::vector<std::string> urls;
    for (const auto &song : kSongs)
        if (!song.secure)
            urls.push_back(kShareBase + song.key);
    return urls;
}

std::vector<std::string> ServiceDouble::secureShareUrls()
{
    std::vector<std::string> urls;
    for (const auto &song : kSongs)
        if (song.secure)
            urls.push_back(kSecureShareBase + song.key + song.shareTail);
    return urls;
}

std::vector<std::string> ServiceDouble::sampleSingerUrls()
{
    std::vector<std::string> urls;
    for (const SampleSinger &singer : kSingers)
        if (singer.classic)
            urls.push_back(kSingerBase + singer.uid);
    return urls;
}

std::vector<std::string> ServiceDouble::printedShareUrls()
{
    std::vector<std::string> urls;
    for (const auto &song : kSongs)
        if (song.printed)
            urls.push_back(shareBaseOf(song) + song.key + song.shareTail);
    return urls;
}

std::vector<std::string> ServiceDouble::printedSingerUrls()
{
    std::vector<std::string> urls;
    for (const SampleSinger &singer : kSingers)
        if (singer.printed)
            urls.push_back(kSingerBase + singer.uid);
    return urls;
}

const std::string &authorityPem()
{
    return authorityPemText();
}

bool writeAuthorityFile(const std::string &path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << authorityPem();
    out.close();
    return static_cast<bool>(out);
}

std::string ServiceDouble::largeFileUrl()
{
    return kLargeFileUrl;
}

size_t ServiceDouble::largeFileSize()
{
    return kLargeFileSize;
}

const std::string &ServiceDouble::largeFileContent()
{
    static const std::string content = [] {
        std::string bytes(kLargeFileSize, '\0');
        unsigned int state = 20261208u;
        for (char &c : bytes) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        return bytes;
    }();
    return content;
}

std::string ServiceDouble::generatedSingerUrl(int works, size_t bytesPerWork)
{
    return kSingerBase + kGeneratedSinger + std::to_string(works) + "x" + std::to_string(bytesPerWork);
}

std::string ServiceDouble::generatedShareUrl(int work, size_t bytesPerWork)
{
    return kShareBase + generatedWorkId(work, bytesPerWork);
}

std::string ServiceDouble::generatedAudio(int work, size_t bytesPerWork)
{
    // A block of the large file, turned by the work's number so that works differ; cheap
    // enough to make on every request.
    const std::string &source = largeFileContent();
    constexpr size_t kBlock = 64 * 1024;
    const size_t shift = (static_cast<size_t>(work) * 7919u) % kBlock;
    std::string bytes(bytesPerWork, '\0');
    for (size_t at = 0; at < bytesPerWork; at += kBlock)
        std::memcpy(bytes.data() + at, source.data() + shift, std::min(kBlock, bytesPerWork - at));
    return bytes;
}

void clearMachineProxy()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        ::unsetenv(name);
}

} // namespace servicedouble
