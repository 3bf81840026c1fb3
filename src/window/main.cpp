#include "app/commandline.h"
#include "app/form1.h"
#include "app/program.h"
#include "platform/appinstance.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Help, the version and a wrong option need no window (nor a display).
    const StartOptions options = parseStartOptions(commandLineArguments(argc, argv));
    if (options.action == StartOptions::Action::Print) {
        std::fputs(options.text.toLocal8Bit().constData(), options.toError ? stderr : stdout);
        return options.exitCode;
    }

    QApplication app(argc, argv);
    // One window a session: a window already open takes the address, and this start ends.
    platform::AppInstance instance;
    if (instance.claim(options.address) == platform::AppInstance::Start::HandedOver)
        return 0;
    Form1 window;
    QObject::connect(&instance, &platform::AppInstance::handedOver, &window, &Form1::handOver);
    window.setStartAddress(options.address);
    window.setWriteTags(options.writeTags);
    return runProgram(app, window);
}
