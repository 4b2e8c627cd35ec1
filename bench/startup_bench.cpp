// tarsel-startup-bench: starts the window program as main() does, in the
// current working directory, and prints "ready" once the main window is shown
// and the start-up load has finished; then it leaves at once. tarsel-bench
// times it from fork to that line, so the figure covers process start,
// toolkit initialisation, the window's creation (with its own load of the
// knowledge base), showing it and the start-up load.
#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "aux_windows/sound_cues.h"
#include "aux_windows/wav_cues.h"
#include "main_window/form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    std::unique_ptr<tarsel::gui::SoundCues> cues;
    try {
        cues = tarsel::gui::open_sound_cues();
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }

    TForm1 form1(*cues);
    auto form2 = std::make_unique<TForm2>(&form1, form1.random());
    auto form3 = std::make_unique<TForm3>(&form1);
    form1.setAuxWindows(form2.get(), form3.get());
    form1.show();
    form1.startTimers();

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
