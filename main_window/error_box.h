#pragma once
// Error reports of the windows. Every event handler of the program runs its
// body through guarded(): a FileError (or any other exception) ends the
// handler and is shown in a modal box with a stop icon, the program's name as
// title and the text with the final-stop rule. Tests replace the box with a
// recorder through set_message_box_hook().
#include <QString>
#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace tarsel::gui {

inline constexpr const char* kProgramName = "Tarsel";

using MessageBoxHook = std::function<void(const QString& title, const QString& text)>;

// Replaces the real message box; an empty hook restores it.
void set_message_box_hook(MessageBoxHook hook);

// Shows `message` (Windows-1251 bytes) with the final-stop rule applied.
void show_error(QWidget* parent, const std::string& message);

// Shows the start-up failure box ("Application Error") for an error that
// stops the program before its window is shown.
void show_startup_error(const QString& kind, const std::string& message);

// Runs `body`; an exception ends it and is reported with show_error().
// Returns false when the body failed.
template <class Body>
bool guarded(QWidget* parent, Body&& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        show_error(parent, e.what());
        return false;
    }
}

} // namespace tarsel::gui
