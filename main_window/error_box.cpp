#include "main_window/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "engine/cp1251.h"
#include "engine/errors.h"

namespace tarsel::gui {
namespace {

MessageBoxHook& hook()
{
    static MessageBoxHook h;
    return h;
}

void show_box(QWidget* parent, const QString& title, const QString& text)
{
    if (hook()) {
        hook()(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void set_message_box_hook(MessageBoxHook h)
{
    hook() = std::move(h);
}

void show_error(QWidget* parent, const std::string& message)
{
    const std::string text = message_box_text(message);
    show_box(parent, QString::fromLatin1(kProgramName), QString::fromStdString(cp1251_to_utf8(text)));
}

void show_startup_error(const QString& kind, const std::string& message)
{
    // "Exception %s in module %s at %p.\n%s%s": the error's kind, the program
    // file, a code address and the message with its final stop.
    const QString module = QCoreApplication::applicationFilePath().section(QLatin1Char('/'), -1);
    const auto address = reinterpret_cast<quintptr>(&show_startup_error);
    const std::string text = message_box_text(message);
    const QString body = QStringLiteral("Exception %1 in module %2 at %3.\n%4")
                             .arg(kind, module.isEmpty() ? QString::fromLatin1(kProgramName) : module)
                             .arg(address, 8, 16, QLatin1Char('0'))
                             .arg(QString::fromStdString(cp1251_to_utf8(text)));
    show_box(nullptr, QStringLiteral("Application Error"), body);
}

} // namespace tarsel::gui
