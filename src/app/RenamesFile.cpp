#include "app/RenamesFile.h"

#include "convert/equipment/ChangeValue.h"
#include "db/DaoError.h"
#include "jet/CsvTable.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

namespace {

QString Quoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return "\"" + quoted + "\"";
}

bool IsHeader(const csvtable::Record& record)
{
    return record.fields.size() >= 2 && !record.fields[0].quoted &&
           record.fields[0].text.compare(QLatin1String("old"), Qt::CaseInsensitive) == 0 &&
           record.fields[1].text.compare(QLatin1String("new"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::vector<std::pair<QString, QString>> ReadRenamesFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw dao::DaoError(53, QString("File not found: '%1' (%2)").arg(path, file.errorString()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(file.readAll());
    const auto refuse = [&](int line, const QString& why) {
        return dao::DaoError(5, QString("Invalid procedure call or argument: '%1' line %2: %3; correct the line")
                                    .arg(path)
                                    .arg(line)
                                    .arg(why));
    };
    if (utf8.hasError())
        throw refuse(1, "the file is not UTF-8 text");

    std::vector<csvtable::Record> records;
    try {
        records = csvtable::parseCsv(text, path);
    } catch (const csvtable::CsvError& e) {
        throw refuse(e.line, e.message);
    }
    std::vector<std::pair<QString, QString>> renames;
    QSet<QString> seen;
    for (size_t i = 0; i < records.size(); ++i) {
        const csvtable::Record& r = records[i];
        if (i == 0 && IsHeader(r))
            continue;
        if (r.fields.size() == 1 && r.fields[0].text.isEmpty())
            continue;  // a blank line
        if (r.fields.size() < 2)
            throw refuse(r.line, "it needs the old number and the new one, separated by a comma");
        const QString& old = r.fields[0].text;
        if (old.isEmpty())
            throw refuse(r.line, "the old number is empty");
        for (const QString& text : {old, r.fields[1].text})
            for (const QChar c : text)
                if (c.category() == QChar::Other_Control)
                    throw refuse(r.line, QString("it holds a control character (code %1)").arg(c.unicode()));
        const ChangeValueCheck check = CheckChangeValue(r.fields[1].text, 1, kMaxEqNum);
        if (!check.accepted)
            throw refuse(r.line, "the new value for '" + old + "' is refused: " + check.message);
        if (seen.contains(old))
            throw refuse(r.line, "'" + old + "' is given a new value twice");
        seen.insert(old);
        renames.emplace_back(old, check.value);
    }
    return renames;
}

QByteArray RenamesListCsv(const QStringList& numbers)
{
    QString text = QStringLiteral("old,new,length\r\n");
    for (const QString& number : numbers)
        text += Quoted(number) + ",," + QString::number(number.size()) + "\r\n";
    return text.toUtf8();
}
