#include "servicedouble.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

using servicedouble::ScriptedResponse;
using servicedouble::ServiceDouble;

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

httplib::Client clientOf(const ServiceDouble &service)
{
    httplib::Client client("127.0.0.1", service.port());
    client.set_read_timeout(10, 0);
    return client;
}

// Sends raw bytes to the double and returns everything it answers until it closes.
std::string sendRaw(const ServiceDouble &service, const std::string &request)
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(service.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(sock);
        return {};
    }
    timeval timeout{10, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buf[4096];
    ssize_t n;
    while ((n = ::recv(sock, buf, sizeof buf, 0)) > 0)
        answer.append(buf, static_cast<size_t>(n));
    ::close(sock);
    return answer;
}

std::string headOf(const std::string &raw)
{
    return raw.substr(0, raw.find("\r\n\r\n") + 2);
}

std::string bodyOf(const std::string &raw)
{
    const auto end = raw.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : raw.substr(end + 4);
}

bool hasHeader(const std::string &raw, std::string name)
{
    std::string head = headOf(raw);
    std::transform(head.begin(), head.end(), head.begin(), ::tolower);
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    return head.find("\r\n" + name + ":") != std::string::npos;
}

std::string toUtf8(const std::string &bytes, const char *charset)
{
    iconv_t cd = iconv_open("UTF-8", charset);
    std::string out(bytes.size() * 4 + 16, '\0');
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size();
    char *to = out.data();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<size_t>(-1)) << "not valid " << charset;
    out.resize(out.size() - outLeft);
    return out;
}

// Text between the first occurrence of marker and the next double quote.
std::string quotedAfter(const std::string &text, const std::string &marker)
{
    const auto at = text.find(marker);
    if (at == std::string::npos)
        return {};
    const auto start = at + marker.size();
    return text.substr(start, text.find('"', start) - start);
}

std::string replaceAll(std::string s, const std::string &from, const std::string &to)
{
    for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

struct PageCase {
    std::string contentType;
    const char *charset; // how the page text is encoded
    bool hasMv;
};

// In the order of sampleShareUrls().
const PageCase kPages[] = {
    {"text/html; charset=utf-8", "UTF-8", true},
    {"text/html; charset=utf-8", "UTF-8", false},
    {"text/html; charset=gb18030", "GB18030", false},
    {"text/html", "GBK", true},
    {"text/html; charset=utf-8", "UTF-8", false},
};

} // namespace

TEST(ServiceDoubleSamples, SharePagesCarryTheirMarkersInTheirCharset)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const auto urls = ServiceDouble::sampleShareUrls();
    ASSERT_EQ(urls.size(), std::size(kPages));
    std::set<std::string> audio;
    for (size_t i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(urls[i]);
        const auto res = client.Get(urls[i]);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), kPages[i].contentType);
        const std::string page = toUtf8(res->body, kPages[i].charset);
        for (const char *marker : {"<title>", "唱吧", "<em class=\"nm\">", "des twemoji\">",
                                   "<span class=\"audience info\">", "<span class=\"presents info\">",
                                   "<span class=\"share info\">", "<span class=\"comment info\">",
                                   "http://aliimg.changba.com/cache/photo/", "(function(){var a=\""})
            EXPECT_NE(page.find(marker), std::string::npos) << marker;
        EXPECT_EQ(page.find("http://player.youku.com/player") != std::string::npos, kPages[i].hasMv);
        audio.insert(quotedAfter(page, "(function(){var a=\""));
    }
    EXPECT_EQ(audio.size(), urls.size()) << "every song has its own audio";

    // The GB18030 page needs a real GB18030 decoder: its description holds a character
    // outside GBK. The GBK page names its charset only in the page.
    const std::string gb18030 = toUtf8(client.Get(urls[2])->body, "GB18030");
    EXPECT_NE(gb18030.find("毕业快乐🎓"), std::string::npos);
    EXPECT_NE(client.Get(urls[3])->body.find("<meta charset=\"gbk\">"), std::string::npos);
}

TEST(ServiceDoubleSamples, AddressesOnSharePagesAreServed)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const auto urls = ServiceDouble::sampleShareUrls();
    for (size_t i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(urls[i]);
        const std::string page = toUtf8(client.Get(urls[i])->body, kPages[i].charset);

        const std::string avatar = "http://aliimg.changba.com" + quotedAfter(page, "http://aliimg.changba.com");
        const auto picture = client.Get(avatar);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->status, 200) << avatar;
        const bool png = avatar.ends_with(".png");
        EXPECT_EQ(picture->get_header_value("Content-Type"), png ? "image/png" : "image/jpeg");
        EXPECT_TRUE(picture->body.starts_with(png ? "\x89PNG" : "\xFF\xD8\xFF"));

        // The page's audio address, and the same work on the numbered audio host that
        // the program rebuilds from the folder.
        const std::string mp3 = quotedAfter(page, "(function(){var a=\"");
        const auto sound = client.Get(mp3);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->status, 200) << mp3;
        EXPECT_EQ(sound->get_header_value("Content-Type"), "audio/mpeg");
        EXPECT_TRUE(sound->body.starts_with("ID3"));
        const std::string file = mp3.substr(mp3.rfind('/') + 1);
        const std::string workId = file.substr(0, file.find('.'));
        std::string folder = mp3.substr(0, mp3.rfind('/'));
        folder = replaceAll(folder.substr(folder.rfind('/') + 1), "a", "");
        const std::string rebuilt = "http://a" + std::to_string(std::stoi(folder) - 108) +
                                    "mp3.changba.com/userdata/userwork/" + workId.substr(workId.size() - 3) + "/" +
                                    workId + ".mp3";
        const auto again = client.Get(rebuilt);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->status, 200) << rebuilt;
        EXPECT_EQ(again->body, sound->body);

        if (kPages[i].hasMv) {
            const std::string mv = replaceAll(
                "http://player.youku.com/player" + quotedAfter(page, "http://player.youku.com/player"), "&amp;", "&");
            EXPECT_NE(mv.find('&'), std::string::npos);
            const auto script = client.Get(mv);
            ASSERT_TRUE(script);
            EXPECT_EQ(script->status, 200) << mv;
            EXPECT_EQ(script->get_header_value("Content-Type"), "application/javascript; charset=utf-8");
        }
    }
    EXPECT_EQ(client.Get("http://aliimg.changba.com/cache/photo/1_200_200.jpg")->status, 404);
    EXPECT_EQ(client.Get("http://a3mp3.changba.com/userdata/userwork/999/999.mp3")->status, 404);
}

TEST(ServiceDoubleSamples, SingerPagesListWorksThatResolveToSharePages)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const auto singers = ServiceDouble::sampleSingerUrls();
    ASSERT_EQ(singers.size(), 2u);
    for (const auto &url : singers)
        EXPECT_NE(url.find("userPage.php?uid="), std::string::npos);

    const std::string page = client.Get(singers[0])->body;
    std::set<std::string> resolved;
    int markers = 0;
    for (auto at = page.find("data-id=\""); at != std::string::npos; at = page.find("data-id=\"", at + 1)) {
        ++markers;
        const std::string id = quotedAfter(page.substr(at), "data-id=\"");
        EXPECT_EQ(page.substr(at + 9 + id.size(), 2), "\">") << id;
        if (id == "more")
            continue;
        const auto answer = client.Get("http://changba.com/member/personcenter/loadplayurl.php?wid=" + id);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
        resolved.insert(answer->body);
    }
    EXPECT_EQ(markers, 6) << "five works and the trailing 'more' marker";
    const auto shares = ServiceDouble::sampleShareUrls();
    EXPECT_EQ(resolved, std::set<std::string>(shares.begin(), shares.end()));

    const auto empty = client.Get(singers[1]);
    EXPECT_EQ(empty->status, 200);
    EXPECT_EQ(empty->body.find("data-id="), std::string::npos);
    EXPECT_EQ(client.Get("http://changba.com/member/personcenter/loadplayurl.php?wid=1")->status, 404);
}

TEST(ServiceDoubleSamples, MakerHostsAndUnknownAddresses)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const auto version = client.Get("http://soft.solvane.com/version/main.txt");
    ASSERT_TRUE(version);
    EXPECT_NE(version->body.find("cb:V3.2|"), std::string::npos);
    EXPECT_EQ(client.Get("http://bbs.solvane.com")->status, 200);
    EXPECT_EQ(client.Get("http://www.solvane.com/")->status, 200);

    const auto missing = client.Get("http://example.org/nothing");
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(missing->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(missing->body.find("<html>"), std::string::npos);
    EXPECT_EQ(client.Get("http://changba.com/s/unknown")->status, 404);
}

TEST(ServiceDoubleScript, ReplacesTheAnswerUntilReset)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const std::string url = ServiceDouble::sampleShareUrls().front();
    ScriptedResponse busy;
    busy.status = 503;
    busy.body = "busy";
    busy.contentType = "text/plain";
    busy.headers = {{"Retry-After", "5"}};
    service.script(url, busy);

    const auto res = client.Get(url);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
    EXPECT_EQ(res->body, "busy");
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain");
    EXPECT_EQ(res->get_header_value("Retry-After"), "5");

    ScriptedResponse untyped;
    untyped.body = "<p>no type</p>";
    untyped.contentType = "";
    service.script("http://changba.com/s/untyped", untyped);
    const std::string raw = sendRaw(service, "GET http://changba.com/s/untyped HTTP/1.1\r\nHost: changba.com\r\n"
                                              "Accept-Encoding: gzip\r\nConnection: close\r\n\r\n");
    EXPECT_FALSE(hasHeader(raw, "Content-Type")) << raw;
    EXPECT_EQ(bodyOf(raw), "<p>no type</p>");

    service.reset();
    EXPECT_EQ(client.Get(url)->status, 200);
    EXPECT_EQ(client.Get("http://changba.com/s/untyped")->status, 404);
}

TEST(ServiceDoubleScript, DelayAndTrickleHoldTheAnswerBack)
{
    ServiceDouble service;
    auto client = clientOf(service);
    ScriptedResponse slow;
    slow.body = "late";
    slow.delayMs = 300;
    service.script("http://changba.com/s/slow", slow);
    auto start = Clock::now();
    const auto late = client.Get("http://changba.com/s/slow");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->body, "late");
    EXPECT_GE(msSince(start), 280);

    ScriptedResponse trickle;
    trickle.body = std::string(50, 'x');
    trickle.contentType = "audio/mpeg";
    trickle.chunkSize = 10;
    trickle.chunkDelayMs = 60;
    service.script("http://a3mp3.changba.com/userdata/userwork/001/1001.mp3", trickle);
    start = Clock::now();
    const auto pieces = client.Get("http://a3mp3.changba.com/userdata/userwork/001/1001.mp3");
    ASSERT_TRUE(pieces);
    EXPECT_EQ(pieces->body, trickle.body);
    EXPECT_EQ(pieces->get_header_value("Content-Length"), "50");
    EXPECT_GE(msSince(start), 4 * 60 - 20) << "four pauses between five pieces";
}

TEST(ServiceDoubleScript, CutAfterAnnouncesTheFullLengthThenDrops)
{
    ServiceDouble service;
    ScriptedResponse broken;
    broken.body = std::string(1000, 'm');
    broken.contentType = "audio/mpeg";
    broken.cutAfter = 100;
    service.script("http://a3mp3.changba.com/userdata/userwork/002/1002.mp3", broken);

    const std::string raw = sendRaw(service, "GET http://a3mp3.changba.com/userdata/userwork/002/1002.mp3 HTTP/1.1\r\n"
                                              "Host: a3mp3.changba.com\r\n\r\n");
    EXPECT_NE(headOf(raw).find("Content-Length: 1000\r\n"), std::string::npos) << headOf(raw);
    EXPECT_EQ(bodyOf(raw), std::string(100, 'm'));

    auto client = clientOf(service);
    const auto res = client.Get("http://a3mp3.changba.com/userdata/userwork/002/1002.mp3");
    EXPECT_FALSE(res) << "a client sees the transfer fail";
}

TEST(ServiceDoubleScript, NoContentLengthSendsChunks)
{
    ServiceDouble service;
    ScriptedResponse chunked;
    chunked.body = std::string(3000, 'c');
    chunked.noContentLength = true;
    chunked.chunkSize = 512;
    service.script("http://changba.com/s/chunked", chunked);

    const std::string raw = sendRaw(service, "GET http://changba.com/s/chunked HTTP/1.1\r\nHost: changba.com\r\n"
                                              "Connection: close\r\n\r\n");
    EXPECT_FALSE(hasHeader(raw, "Content-Length")) << headOf(raw);
    EXPECT_NE(headOf(raw).find("Transfer-Encoding: chunked\r\n"), std::string::npos);
    auto client = clientOf(service);
    EXPECT_EQ(client.Get("http://changba.com/s/chunked")->body, chunked.body);
}

TEST(ServiceDoubleScript, HeadAnswersLikeGetWithoutBody)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const std::string mp3 = "http://qiniuuwmp3.changba.com/userdata/userwork/111/1043562829.mp3";
    const auto full = client.Get(mp3);
    ASSERT_TRUE(full);
    const std::string raw = sendRaw(service, "HEAD " + mp3 + " HTTP/1.1\r\nHost: qiniuuwmp3.changba.com\r\n"
                                              "Connection: close\r\n\r\n");
    EXPECT_TRUE(raw.starts_with("HTTP/1.1 200"));
    EXPECT_NE(headOf(raw).find("Content-Length: " + std::to_string(full->body.size()) + "\r\n"), std::string::npos);
    EXPECT_EQ(bodyOf(raw), "");
    EXPECT_EQ(service.requests().back().method, "HEAD");
}

TEST(ServiceDoubleRecording, KeepsMethodAddressAndHeadersAsSent)
{
    ServiceDouble service;
    const std::string url = ServiceDouble::sampleShareUrls().front();
    const std::string raw = sendRaw(service, "get " + url + " HTTP/1.1\r\nHost: changba.com\r\n"
                                              "If-Modified-Since: 0\r\nZeta: last\r\nAlpha: first\r\n"
                                              "Connection: close\r\n\r\n");
    EXPECT_TRUE(raw.starts_with("HTTP/1.1 200")) << "a lower-case method is served";
    EXPECT_NE(raw.find("<title>"), std::string::npos);

    auto requests = service.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "get");
    EXPECT_EQ(requests[0].url, url);
    std::vector<std::string> names;
    for (const auto &header : requests[0].headers)
        names.push_back(header.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Host", "If-Modified-Since", "Zeta", "Alpha", "Connection"}));
    EXPECT_EQ(requests[0].header("if-modified-since"), "0");
    EXPECT_EQ(requests[0].header("User-Agent"), "");
    EXPECT_EQ(service.requestCount(url), 1);
    EXPECT_EQ(service.requestCount("HTTP://Changba.com:80/s/Wc7nGGH3ZBbq"), 1);

    // Several requests on one kept-alive connection are told apart.
    auto client = clientOf(service);
    client.set_keep_alive(true);
    const auto shares = ServiceDouble::sampleShareUrls();
    EXPECT_EQ(client.Get(shares[1], {{"User-Agent", "VB Http"}})->status, 200);
    EXPECT_EQ(client.Head(shares[2])->status, 200);
    EXPECT_EQ(client.Get(shares[1])->status, 200);
    requests = service.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].header("User-Agent"), "VB Http");
    EXPECT_EQ(requests[2].method, "HEAD");
    EXPECT_EQ(requests[2].url, shares[2]);
    EXPECT_EQ(service.requestCount(shares[1]), 2);

    service.reset();
    EXPECT_TRUE(service.requests().empty());
}

TEST(ServiceDoubleLifetime, StopsPromptlyWithSlowAnswersInFlight)
{
    auto service = std::make_unique<ServiceDouble>();
    ScriptedResponse stalled;
    stalled.delayMs = 60000;
    service->script("http://changba.com/s/stalled", stalled);
    ScriptedResponse dripping;
    dripping.body = std::string(100, 'd');
    dripping.chunkSize = 1;
    dripping.chunkDelayMs = 60000;
    service->script("http://changba.com/s/dripping", dripping);

    const int port = service->port();
    auto fetch = [port](const std::string &url) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(120, 0);
        client.Get(url);
    };
    std::thread first(fetch, "http://changba.com/s/stalled");
    std::thread second(fetch, "http://changba.com/s/dripping");
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (service->requests().size() < 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(service->requests().size(), 2u);

    const auto start = Clock::now();
    service.reset();
    EXPECT_LT(msSince(start), 2000);
    first.join();
    second.join();
}

// ---- https through CONNECT tunnels -------------------------------------------------------

namespace {

// The test authority in a file, for a TLS client that verifies against it alone.
const std::string &authorityFile()
{
    static const std::string path = [] {
        const std::string p = "/tmp/servicedouble-test-authority-" + std::to_string(::getpid()) + ".pem";
        EXPECT_TRUE(servicedouble::writeAuthorityFile(p));
        return p;
    }();
    return path;
}

// GET of an absolute http or https address through the double, verifying certificates.
httplib::Result getThrough(const ServiceDouble &service, const std::string &url)
{
    const auto sep = url.find("://");
    const auto slash = url.find('/', sep + 3);
    const std::string host = url.substr(sep + 3, slash - sep - 3);
    const std::string path = slash == std::string::npos ? "/" : url.substr(slash);
    if (url.rfind("https://", 0) != 0)
        return clientOf(service).Get(url);
    httplib::SSLClient client(host, 443);
    client.set_proxy("127.0.0.1", service.port());
    client.set_ca_cert_path(authorityFile().c_str());
    client.enable_server_certificate_verification(true);
    client.set_read_timeout(10, 0);
    return client.Get(path);
}

// The singer named by a share page's title: between its first "-" and "唱吧".
std::string singerOfTitle(const std::string &page)
{
    const auto at = page.find("<title>") + 7;
    const std::string text = page.substr(at, page.find("</title>") - at);
    const auto dash = text.find('-');
    const auto end = text.find("唱吧", dash);
    if (dash == std::string::npos || end == std::string::npos)
        return {};
    std::string singer = text.substr(dash + 1, end - dash - 1);
    singer.erase(0, singer.find_first_not_of(' '));
    return singer;
}

} // namespace

TEST(ServiceDoubleTls, TunnelsShowTheScriptedCertificateAndServeInside)
{
    ServiceDouble service;
    const std::string page = ServiceDouble::secureShareUrls().at(0);
    const struct {
        servicedouble::Certificate certificate;
        bool accepted;
    } cases[] = {
        {servicedouble::Certificate::Good, true},
        {servicedouble::Certificate::SelfSigned, false},
        {servicedouble::Certificate::WrongHost, false},
        {servicedouble::Certificate::Expired, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.certificate));
        service.reset();
        service.setCertificate("changba.com", c.certificate);
        const auto res = getThrough(service, page);
        ASSERT_EQ(static_cast<bool>(res), c.accepted);
        EXPECT_EQ(service.requestCount("changba.com:443"), 1);
        EXPECT_EQ(service.requestCount(page), c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_EQ(res->status, 200);
            EXPECT_NE(res->body.find("晴天"), std::string::npos);
            EXPECT_EQ(service.requests().back().address, page);
        }
    }
    // Other hosts keep the good certificate; reset() restores it everywhere.
    EXPECT_TRUE(getThrough(service, "https://aliimg.changba.com/cache/photo/855237_200_200.jpg"));
    service.reset();
    EXPECT_TRUE(getThrough(service, page));
}

TEST(ServiceDoubleTls, TheVideoWorkServesItsMp4AndResolvesToAnHttpsLink)
{
    ServiceDouble service;
    const std::string video = "https://qiniuuwvideo.changba.com/video/1052460002.mp4";
    const auto res = getThrough(service, video);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "video/mp4");
    EXPECT_EQ(res->body.substr(4, 4), "ftyp");

    const auto share = getThrough(service, ServiceDouble::secureShareUrls().at(1));
    ASSERT_TRUE(share);
    EXPECT_EQ(share->body.find("(function(){var a="), std::string::npos) << "a video work has no audio marker";
    EXPECT_NE(share->body.find("video_url: '"), std::string::npos);
    EXPECT_NE(share->body.find("workid=1052460002"), std::string::npos);
    EXPECT_EQ(clientOf(service).Get("http://changba.com/member/personcenter/loadplayurl.php?wid=1052460002")->body,
              "https://changba.com/s/Vd2Kx9PqRt4Wm8NbLs6HcA");
}

// What quillory-service prints for a person to try: every page names its singer, and a
// singer's page lists only works whose pages name that singer.
TEST(ServiceDoubleSamples, PrintedSamplesAreConsistent)
{
    ServiceDouble service;
    for (const auto &url : ServiceDouble::printedShareUrls()) {
        SCOPED_TRACE(url);
        const auto res = getThrough(service, url);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        const std::string singer = singerOfTitle(toUtf8(res->body, url.find("Gb7Yz4") != std::string::npos ? "GB18030"
                                                                  : url.find("Hx8Jd2") != std::string::npos ? "GBK"
                                                                                                           : "UTF-8"));
        EXPECT_FALSE(singer.empty()) << "a sample with a singer";
    }
    const auto printed = ServiceDouble::printedShareUrls();
    EXPECT_TRUE(std::any_of(printed.begin(), printed.end(), [](const std::string &u) { return u.rfind("https://", 0) == 0; }));

    for (const auto &url : ServiceDouble::printedSingerUrls()) {
        SCOPED_TRACE(url);
        const std::string page = clientOf(service).Get(url)->body;
        const std::string name = quotedAfter(page, "alt=\"");
        for (auto at = page.find("data-id=\""); at != std::string::npos; at = page.find("data-id=\"", at + 1)) {
            const std::string id = quotedAfter(page.substr(at), "data-id=\"");
            if (id == "more")
                continue;
            const std::string share =
                clientOf(service).Get("http://changba.com/member/personcenter/loadplayurl.php?wid=" + id)->body;
            const auto work = getThrough(service, share);
            ASSERT_TRUE(work) << share;
            EXPECT_EQ(singerOfTitle(work->body), name) << share;
        }
    }
}

// Two doubles on one port would each answer some of the requests; the second one refuses.
TEST(ServiceDoubleLifetime, ATakenPortIsRefused)
{
    ServiceDouble first;
    EXPECT_THROW(ServiceDouble second(first.port()), std::runtime_error);
}

// A generated singer: every work resolves to its own share page, whose audio address
// gives that work's bytes; sizes outside the double's limit are not served.
TEST(ServiceDoubleSamples, GeneratedSingersServeEveryWorkFromListToAudio)
{
    ServiceDouble service;
    auto client = clientOf(service);
    const std::string page = client.Get(ServiceDouble::generatedSingerUrl(3, 700))->body;
    std::vector<std::string> ids;
    for (auto at = page.find("data-id=\""); at != std::string::npos; at = page.find("data-id=\"", at + 1))
        ids.push_back(quotedAfter(page.substr(at), "data-id=\""));
    ASSERT_EQ(ids, (std::vector<std::string>{"g700n1", "g700n2", "g700n3", "more"}));

    for (int i = 1; i <= 3; ++i) {
        const auto share = client.Get("http://changba.com/member/personcenter/loadplayurl.php?wid=" + ids[i - 1]);
        ASSERT_TRUE(share);
        EXPECT_EQ(share->body, ServiceDouble::generatedShareUrl(i, 700));
        const std::string sharePage = client.Get(share->body)->body;
        EXPECT_NE(sharePage.find("<title>作品" + std::to_string(i) + " - 批量歌手唱吧"), std::string::npos);
        const std::string audio = quotedAfter(sharePage, "(function(){var a=\"");
        const auto song = client.Get(audio);
        ASSERT_TRUE(song) << audio;
        EXPECT_EQ(song->get_header_value("Content-Type"), "audio/mpeg");
        EXPECT_EQ(song->body, ServiceDouble::generatedAudio(i, 700));
    }
    EXPECT_NE(ServiceDouble::generatedAudio(1, 700), ServiceDouble::generatedAudio(2, 700));
    EXPECT_EQ(client.Get(ServiceDouble::generatedSingerUrl(3, 99999999999))->status, 404);
}
