#pragma once
// The colour and font pickers of the main window. Each keeps a stored value:
// it opens showing it, stores the user's choice on confirmation and keeps it
// on cancel. Tests answer the dialogs through set_test_answer().
#include <QColor>
#include <QFont>
#include <functional>
#include <optional>

class QWidget;

namespace tarsel::gui {

class ColorDialog {
public:
    QColor Color = Qt::black;

    // Shows the picker; true when the user confirmed (Color then holds the choice).
    bool Execute(QWidget* parent);

    // Answers every dialog instead of the user: given the stored colour,
    // returns the confirmed colour or nullopt for cancel. Empty: real dialogs.
    using Answer = std::function<std::optional<QColor>(const QColor& current)>;
    static void set_test_answer(Answer answer);
};

class FontDialog {
public:
    // "MS Sans Serif", 8 points, regular.
    FontDialog();

    QFont Font;
    // Size limits; 0 means no limit. FontDialog3 offers 8 only.
    int MinFontSize = 0;
    int MaxFontSize = 0;

    // Shows the picker without effects (no colour, underline or strike-out
    // choice); true when the user confirmed (Font then holds the choice).
    bool Execute(QWidget* parent);

    using Answer = std::function<std::optional<QFont>(const QFont& current)>;
    static void set_test_answer(Answer answer);
};

// The window font of the program: "MS Sans Serif", 8 points, regular (the
// system substitutes its own sans-serif font where that one is missing).
QFont default_font();

} // namespace tarsel::gui
