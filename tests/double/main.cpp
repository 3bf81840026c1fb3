// quillory-service: runs the local service double until Ctrl+C, so that Quillory can be
// tried by hand without the network. Start it, then start the program with
// http_proxy pointing at the address it prints, and SSL_CERT_FILE naming the file of
// its test authority (--authority-file), so the https samples are trusted.
#include "servicedouble.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

int usage(const char *program)
{
    std::cerr << "用法 / usage: " << program
              << " [--port N] [--authority-file PATH] [--latency-ms N] [--rate BYTES_PER_S] [--log-requests]"
                 " [--serve ADDRESS=FILE]...\n"
                 "  --port 0 takes a free port (默认 / default 8765); --latency-ms and --rate make a far network;\n"
                 "  --log-requests prints \"request METHOD ADDRESS\" for every request;\n"
                 "  --serve answers ADDRESS with the bytes of FILE (audio/mpeg, with an ETag)\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int port = 8765;
    int latencyMs = 0;
    long long rate = 0;
    bool logRequests = false;
    std::string authorityFile;
    std::vector<std::pair<std::string, std::string>> served; // address, file
    const auto number = [&](int &i, long long low, long long high, long long &out) {
        char *end = nullptr;
        const long long value = std::strtoll(argv[++i], &end, 10);
        if (*end != '\0' || value < low || value > high)
            return false;
        out = value;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long long value = 0;
        if (arg == "--authority-file" && i + 1 < argc) {
            authorityFile = argv[++i];
        } else if (arg == "--serve" && i + 1 < argc) {
            const std::string value = argv[++i];
            const size_t equals = value.find('=');
            if (equals == std::string::npos)
                return usage(argv[0]);
            served.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (arg == "--log-requests") {
            logRequests = true;
        } else if (arg == "--latency-ms" && i + 1 < argc) {
            if (!number(i, 0, 60000, value))
                return usage(argv[0]);
            latencyMs = static_cast<int>(value);
        } else if (arg == "--rate" && i + 1 < argc) {
            if (!number(i, 0, 1LL << 40, value))
                return usage(argv[0]);
            rate = value;
        } else if (arg == "--port" && i + 1 < argc) {
            if (!number(i, 0, 65535, value))
                return usage(argv[0]);
            port = static_cast<int>(value);
        } else if (arg == "-h" || arg == "--help") {
            usage(argv[0]);
            return 0;
        } else {
            return usage(argv[0]);
        }
    }

    // Block the stop signals before the server starts its threads, so that only the
    // sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        auto made = port == 0 ? std::make_unique<servicedouble::ServiceDouble>()
                              : std::make_unique<servicedouble::ServiceDouble>(port);
        servicedouble::ServiceDouble &service = *made;
        service.setFarNetwork(latencyMs, rate);
        for (const auto &[address, file] : served) {
            std::ifstream in(file, std::ios::binary);
            if (!in)
                throw std::runtime_error("cannot read " + file);
            servicedouble::ScriptedResponse answer;
            answer.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            answer.contentType = "audio/mpeg";
            answer.headers.emplace_back("ETag", "\"served-" + std::to_string(answer.body.size()) + "\"");
            service.script(address, std::move(answer));
        }
        if (logRequests) {
            service.setRequestObserver([](const servicedouble::RecordedRequest &request) {
                std::printf("request %s %s\n", request.method.c_str(), request.address.c_str());
                std::fflush(stdout);
            });
        }
        std::cout << "Quillory 本地服务替身 / local service double\n"
                  << "代理地址 / proxy address: " << service.proxyUrl() << "\n"
                  << "启动程序前设置 / before starting the program: export http_proxy=" << service.proxyUrl()
                  << "\n";
        if (!authorityFile.empty()) {
            // Written last, once the double answers: its presence says the service is ready.
            const std::string partial = authorityFile + ".part";
            if (!servicedouble::writeAuthorityFile(partial) || std::rename(partial.c_str(), authorityFile.c_str()) != 0)
                throw std::runtime_error("cannot write " + authorityFile);
            std::cout << "https 测试证书颁发机构 / test authority for https: export SSL_CERT_FILE=" << authorityFile
                      << "\n";
        }
        std::cout << "\n歌曲分享页 / share pages:\n";
        for (const auto &url : servicedouble::ServiceDouble::printedShareUrls())
            std::cout << url << "\n";
        std::cout << "\n歌手主页 / singer pages:\n";
        for (const auto &url : servicedouble::ServiceDouble::printedSingerUrls())
            std::cout << url << "\n";
        std::cout << "\n按 Ctrl+C 结束 / press Ctrl+C to stop" << std::endl;

        int received = 0;
        sigwait(&stopSignals, &received);
        std::cout << "已停止 / stopped" << std::endl;
    } catch (const std::exception &e) {
        std::cerr << "quillory-service: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
