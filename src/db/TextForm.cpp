#include "db/TextForm.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

QString NumberText(double value)
{
    if (value == 0)
        return "0";
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString s = QString::number(value, 'g', 15);
    if (s.contains('e'))
        s = s.toUpper();
    return s;
}

QString NumberText(qint64 value) { return QString::number(value); }

QString ShortDateText(const QDate& value)
{
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains("yyyy"))
        format.replace(QRegularExpression("y+"), "yyyy");
    return QLocale::system().toString(value, format);
}

QString TimeText(const QTime& value)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression("\\s*t+"));  // no time zone
    return QLocale::system().toString(value, format.trimmed());
}

QString DateText(const QDateTime& value)
{
    const QString date = ShortDateText(value.date());
    if (value.time() == QTime(0, 0))
        return date;
    return date + ' ' + TimeText(value.time());
}
