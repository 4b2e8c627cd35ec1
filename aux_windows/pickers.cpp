// Colour and font pickers of the main window.
#include "aux_windows/pickers.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <algorithm>
#include <utility>

namespace tarsel::gui {
namespace {

ColorDialog::Answer& colorAnswer()
{
    static ColorDialog::Answer answer;
    return answer;
}

FontDialog::Answer& fontAnswer()
{
    static FontDialog::Answer answer;
    return answer;
}

// Colours are 24-bit: whatever the picker returns is stored opaque.
QColor opaque(const QColor& c)
{
    return QColor::fromRgb(c.rgb() | 0xFF000000u);
}

// What a font picker without effects and with size limits can give back:
// no underline or strike-out, the size brought into the allowed range.
QFont allowedFont(QFont font, int minSize, int maxSize)
{
    font.setUnderline(false);
    font.setStrikeOut(false);
    // The weight and slant carry the style; a face name would override them.
    font.setStyleName(QString());
    int size = font.pointSize();
    if (size <= 0) {
        // A pixel-sized font: keep it unless limits say otherwise.
        if (minSize > 0 || maxSize > 0)
            size = minSize > 0 ? minSize : maxSize;
    }
    if (size > 0) {
        if (minSize > 0)
            size = std::max(size, minSize);
        if (maxSize > 0)
            size = std::min(size, maxSize);
        if (size != font.pointSize())
            font.setPointSize(size);
    }
    return font;
}

// The picker offers no effects: its underline and strike-out boxes and the
// group that holds them are hidden.
void hideEffects(QFontDialog& dialog)
{
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        box->hide();
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            group->hide();
    }
}

} // namespace

QFont default_font()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

bool ColorDialog::Execute(QWidget* parent)
{
    std::optional<QColor> chosen;
    if (colorAnswer()) {
        chosen = colorAnswer()(Color);
    } else {
        QColorDialog dialog(Color, parent);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedColor();
    }
    if (!chosen || !chosen->isValid())
        return false;
    Color = opaque(*chosen);
    return true;
}

void ColorDialog::set_test_answer(Answer answer)
{
    colorAnswer() = std::move(answer);
}

FontDialog::FontDialog() : Font(default_font()) {}

bool FontDialog::Execute(QWidget* parent)
{
    std::optional<QFont> chosen;
    if (fontAnswer()) {
        chosen = fontAnswer()(Font);
    } else {
        QFontDialog dialog(Font, parent);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        hideEffects(dialog);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFont();
    }
    if (!chosen)
        return false;
    Font = allowedFont(*chosen, MinFontSize, MaxFontSize);
    return true;
}

void FontDialog::set_test_answer(Answer answer)
{
    fontAnswer() = std::move(answer);
}

} // namespace tarsel::gui
