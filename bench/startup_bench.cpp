// tarsel-startup-bench: starts the window program as main() does, in the
// current working directory, and prints "ready" once the main window is shown
// and the start-up load has finished; then it leaves at once. tarsel-bench
// times it from fork to that line, so the figure covers process start,
// toolkit initialisation, the window's creation (with its own load of the
// knowledge base), showing it and the start-up load.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "main_window/form1.h"
#include "main_window/program.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const auto program = tarsel::gui::Program::start();
    if (!program) {
        std::printf("error: the sound cues cannot be opened\n");
        return 1;
    }
    TForm1& form1 = program->form1();

    // Checked after every pass of the event loop: the start-up load runs at
    // the first tick of its 1 ms timer.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (form1.isVisible() && !form1.Timer3->isActive() &&
            form1.panelText(0) == QStringLiteral("Загрузка окончена")) {
            std::printf("ready\n");
            std::fflush(stdout);
            _exit(0);  // the figure ends here; tearing down is not measured
        }
    });
    check.start(0);
    return QApplication::exec();
}
