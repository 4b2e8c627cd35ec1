// The window program: opens the sound cues, builds the three windows and
// runs the message loop.
#include <QApplication>

#include "main_window/program.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const auto program = tarsel::gui::Program::start();
    if (!program)
        return 1;
    return QApplication::exec();
}
