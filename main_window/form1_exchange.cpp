// Dialogue modes, the exchange poll and the two auxiliary windows.
#include <QAction>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>

#include "aux_windows/form2.h"
#include "aux_windows/form3.h"
#include "engine/cp1251.h"
#include "main_window/dialogue_view.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"

namespace {

// Colour of the mode notices: red 0, green 128, blue 128.
const QColor kTeal(0, 128, 128);

constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 60000;

// The interval field's text as milliseconds: not a whole number counts as 1,
// and the value is brought into 1..60000 whatever was typed.
int intervalOf(const QSpinBox& field)
{
    bool ok = false;
    const qlonglong typed = field.cleanText().trimmed().toLongLong(&ok);
    if (!ok)
        return kMinInterval;
    return static_cast<int>(std::clamp<qlonglong>(typed, kMinInterval, kMaxInterval));
}

} // namespace

void TForm1::CpuUser1Click()
{
    RichEdit1->setCurrentColor(kTeal);
    setPanelText(2, QStringLiteral("Режим Cpu\\User"));
    RichEdit1->addLine(tarsel::utf8_to_cp1251("Сервис:   // Режим диалога Cpu\\User."));
    RichEdit1->addLine("");
    setMark(CpuUser1, true);
    setMark(Cpu31, false);
    // Polling follows the mode at the next refresh.
    if (refreshActive())
        Timer1Timer();
}

void TForm1::Cpu31Click()
{
    RichEdit1->setCurrentColor(kTeal);
    setPanelText(2, QStringLiteral("Режим Cpu\\Cpu"));
    RichEdit1->addLine(tarsel::utf8_to_cp1251("Сервис:   // Режим диалога Cpu\\Cpu."));
    setMark(CpuUser1, false);
    setMark(Cpu31, true);
    if (refreshActive())
        Timer1Timer();
}

void TForm1::Timer6Timer()
{
    // Polling pauses while an error box of this poll is open, so that boxes
    // do not pile up and turns do not nest.
    if (pollRunning_)
        return;
    const QScopedValueRollback running(pollRunning_, true);

    // A file that cannot be read ends the poll: the interval stays, no turn runs,
    // and the timer tries again after the same wait.
    if (!tarsel::gui::guarded(this, [this] { dialogue().load_exchange(); }))
        return;

    if (form2_ && form2_->SpinEdit1) {
        const int interval = intervalOf(*form2_->SpinEdit1);
        // Only a new value restarts the countdown.
        if (interval != Timer6->interval())
            Timer6->setInterval(interval);
    }

    // The poll presses the Say button whatever its enabled state.
    SpeedButton1Click();
}

void TForm1::N38Click()
{
    if (!form2_)
        return;
    setRefreshActive(false);
    setEnabled(false);
    form2_->show();
    form2_->setEnabled(true);
    form2_->raise();
    form2_->activateWindow();
    if (!form2_->Timer1->isActive())
        form2_->Timer1->start();
}

void TForm1::N12Click()
{
    if (!form3_)
        return;
    setRefreshActive(false);
    form3_->setWindowHeight(179);
    setEnabled(false);
    form3_->show();
    form3_->setEnabled(true);
    form3_->raise();
    form3_->activateWindow();
}
