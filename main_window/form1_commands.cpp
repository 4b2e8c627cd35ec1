// New dialogue, undo, exit with the conversation log, window shake, farewell
// close and the keyboard-layout converter.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <algorithm>

#include "aux_windows/sound_cues.h"
#include "engine/conversation_log.h"
#include "engine/cp1251.h"
#include "engine/layout_converter.h"
#include "main_window/dialogue_view.h"
#include "main_window/error_box.h"
#include "main_window/form1.h"
#include "main_window/log_clock.h"

using tarsel::gui::guarded;

namespace {

// The farewell close shrinks the window down to this size and no further:
// the smallest window with a caption that the desktop lets a user drag it
// to (room for the caption's close box; at 96 dpi 112 x 27 pixels). Qt
// itself would go down to 1 x 1, which leaves nothing on screen to look at.
constexpr int kSmallestWidth = 112;
constexpr int kSmallestHeight = 27;

// Farewell close: the tick at which the exit runs, and the first tick
// that plays the close sound.
constexpr int kFarewellExitTick = 80;
constexpr int kFarewellSoundTick = 10;

// Window shake: moves drawn over 125..250, positions over 95..105.
constexpr std::uint32_t kShakeMovesMin = 125;
constexpr std::uint32_t kShakeMovesRange = 250;
constexpr std::uint32_t kShakeCoordMin = 95;
constexpr std::uint32_t kShakeCoordRange = 105;

// Draws 1 + random(range) until it is at least `least`.
int draw_at_least(tarsel::Random& random, std::uint32_t range, std::uint32_t least)
{
    std::uint32_t value = 0;
    do {
        value = 1 + random.draw(range);
    } while (value < least);
    return static_cast<int>(value);
}

// One step of the shrinking: `by` pixels less, but not below `floor`; a
// size already at or below the floor is kept.
int shrunk(int size, int by, int floor)
{
    if (size - by >= floor)
        return size - by;
    return std::min(size, floor);
}

} // namespace

namespace tarsel::gui {

QString without_time_zone(const QString& format)
{
    QString out;
    bool quoted = false;
    bool skipBlanks = false;  // after a zone field at the very start
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;  // "''" toggles twice: a literal quote
            skipBlanks = false;
            out += c;
            continue;
        }
        if (quoted) {
            out += c;
            continue;
        }
        if (c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
                ++i;
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            skipBlanks = out.isEmpty();
            continue;
        }
        if (skipBlanks && c.isSpace())
            continue;
        skipBlanks = false;
        out += c;
    }
    return out;
}

QString log_time_format(const QLocale& locale)
{
    return without_time_zone(locale.timeFormat(QLocale::LongFormat));
}

std::pair<std::string, std::string> log_date_time(const QDateTime& moment, const QLocale& locale)
{
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    const QString time = locale.toString(moment.time(), log_time_format(locale));
    return {utf8_to_cp1251(date.toStdString()), utf8_to_cp1251(time.toStdString())};
}

} // namespace tarsel::gui

void TForm1::N2Click()
{
    guarded(this, [&] {
        RichEdit1->clearLines();
        dialogue_.transcript().clear();
        Edit1->clear();  // a real change plays the key click
        // A shake already waiting keeps its schedule: no second shake.
        if (!Timer7->isActive())
            Timer7->start();
    });
}

void TForm1::SpeedButton2Click()
{
    guarded(this, [&] {
        RichEdit1->deleteLine(RichEdit1->lineCount() - 1);
        // One line from each list, whatever kind of line it was: an empty
        // transcript has no last line and stays as it is.
        tarsel::LineList& transcript = dialogue_.transcript();
        transcript.remove(static_cast<std::ptrdiff_t>(transcript.count()) - 1);
        if (!Timer7->isActive())
            Timer7->start();
    });
}

void TForm1::N4Click()
{
    const bool written = guarded(this, [&] {
        // One clock reading for both, so that the date and the time never
        // straddle midnight.
        const auto [date, time] = tarsel::gui::log_date_time(QDateTime::currentDateTime());
        tarsel::append_conversation_log(date, time, dialogue_.transcript());
    });
    if (!written)
        return;  // the box was shown; the window stays open
    emit exited();
    // The last window closing ends the message loop. closeEvent only stops
    // the timers: the log is written here and nowhere else.
    close();
}

void TForm1::Timer7Timer()
{
    // The whole shake runs inside this tick; no events are processed while
    // the window jumps.
    guarded(this, [&] {
        random_.reseed();
        cues_.play(tarsel::Cue::Shake);

        Edit1->setReadOnly(true);
        for (QMenu* menu : {N1, N5, N11})
            menu->setEnabled(false);

        const int moves = draw_at_least(random_, kShakeMovesRange, kShakeMovesMin);
        for (int i = 0; i < moves; ++i) {
            const int a = draw_at_least(random_, kShakeCoordRange, kShakeCoordMin);
            const int b = draw_at_least(random_, kShakeCoordRange, kShakeCoordMin);
            move(x(), b);  // top edge first,
            move(a, y());  // then the left edge
        }

        centreOnDesktop();

        Edit1->setReadOnly(false);
        for (QMenu* menu : {N1, N5, N11})
            menu->setEnabled(true);
        Timer7->stop();
    });
}

void TForm1::Timer4Timer()
{
    ++Tag;
    // At the last tick the farewell close ends and the exit runs. The timer
    // goes off first: a failing exit's box runs an event loop of its own, in
    // which a timer still on would tick again and stack further exits and
    // boxes. After a failure the shrunken window stays open.
    if (Tag >= kFarewellExitTick) {
        Timer4->stop();
        N4Click();
    }

    move(x(), y() - 2);
    move(x() - 3, y());
    // The window is fixed-size: its fixed size is what shrinks.
    setFixedSize(shrunk(width(), 10, kSmallestWidth), height());
    setFixedSize(width(), shrunk(height(), 8, kSmallestHeight));

    // The close sound's player keeps the file it opened at start.
    if (Tag >= kFarewellSoundTick)
        cues_.play(tarsel::Cue::Close);
}

void TForm1::SpeedButton3Click()
{
    guarded(this, [&] {
        cues_.play(tarsel::Cue::Layout);
        const QString text = Edit1->text();
        if (text.isEmpty())
            return;
        // Every key of the table is an ASCII character; everything else
        // (Cyrillic letters, and characters the code page lacks) is kept
        // as it is.
        QString converted = text;
        for (QChar& c : converted) {
            if (c.unicode() < 0x80) {
                const unsigned char byte = tarsel::convert_layout_byte(static_cast<unsigned char>(c.unicode()));
                c = QChar(static_cast<char16_t>(tarsel::cp1251_to_unicode(byte)));
            }
        }
        // The same text is no change: no key click.
        if (converted != text)
            Edit1->setText(converted);
    });
}
