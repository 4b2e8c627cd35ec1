#pragma once
// The date and time that the exit writes into the conversation log: the
// system's short date format and its long time format (hours, minutes and
// seconds) without the time-zone name that some long formats carry.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <string>
#include <utility>

namespace tarsel::gui {

// `format` (a QLocale time format) with its time-zone fields ("t" ... "tttt")
// removed, together with the blanks that separated them from the rest.
// Quoted literal text is left alone.
QString without_time_zone(const QString& format);

// The locale's long time format without its time-zone fields.
QString log_time_format(const QLocale& locale);

// Date and time of `moment` as the log's date line shows them, in
// Windows-1251: the date first, then the time, both from one clock reading.
std::pair<std::string, std::string> log_date_time(const QDateTime& moment,
                                                  const QLocale& locale = QLocale::system());

} // namespace tarsel::gui
