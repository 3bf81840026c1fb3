#include "servicedouble.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
} // namespace

// Runs the local service double until interrupted, for trying the program without internet.
int main(int argc, char **argv)
{
    int port = 8765;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);

    servicedouble::ServiceDouble service(port);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::cout << "本地唱吧服务替身 / local service double\n"
              << "proxy: " << service.proxyUrl() << "\n"
              << "示例分享页地址 / sample share pages:\n";
    for (const std::string &url : servicedouble::ServiceDouble::sampleShareUrls())
        std::cout << "  " << url << "\n";
    std::cout.flush();

    while (!g_stop)
        pause();
    return 0;
}
