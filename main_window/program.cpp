#include "main_window/program.h"

#include <QApplication>
#include <QLibraryInfo>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "aux_windows/sound_cues.h"
#include "aux_windows/wav_cues.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

namespace tarsel::gui {

std::unique_ptr<Program> Program::start()
{
    std::unique_ptr<Program> program(new Program);

    // The toolkit's own texts (standard buttons, dialogs) in Russian.
    if (program->translator_.load(QStringLiteral("qtbase_ru"),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&program->translator_);

    try {
        program->cues_ = open_sound_cues();
    } catch (const SoundOpenError& e) {
        show_startup_error(QStringLiteral("SoundOpenError"), e.what());
        return nullptr;
    }

    program->form1_ = std::make_unique<TForm1>(*program->cues_);
    // Created after the main window, both hidden.
    program->form2_ = std::make_unique<TForm2>(program->form1_.get(), program->form1_->random());
    program->form3_ = std::make_unique<TForm3>(program->form1_.get());
    program->form1_->setAuxWindows(program->form2_.get(), program->form3_.get());

    program->form1_->show();  // centred on the desktop when first shown
    program->form1_->startTimers();
    return program;
}

Program::~Program()
{
    // The auxiliary windows go before the main window, the cues after it.
    if (form1_)
        form1_->setAuxWindows(nullptr, nullptr);
    form3_.reset();
    form2_.reset();
    form1_.reset();
    cues_.reset();
    QApplication::removeTranslator(&translator_);
}

} // namespace tarsel::gui
