#include "app/form1.h"
#include "app/program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Form1 window;
    return runProgram(app, window);
}
