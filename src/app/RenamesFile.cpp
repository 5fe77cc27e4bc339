#include "app/RenamesFile.h"

#include "convert/equipment/ChangeValue.h"
#include "db/DaoError.h"
#include "db/InputFile.h"
#include "db/TextCase.h"
#include "jet/CsvTable.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

namespace {

QString Quoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return "\"" + quoted + "\"";
}

QByteArray ListLine(const QString& number, const QString& value)
{
    return (Quoted(number) + "," + (value.isEmpty() ? QString() : Quoted(value)) + "," +
            QString::number(number.size()) + "\r\n")
        .toUtf8();
}

QString HeaderField(const SubstringsRecord& substrings)
{
    return "substrings: " + substrings.what + " [" + substrings.digest + "]";
}

// The substrings the first line names, when it names them.
std::optional<SubstringsRecord> NamedSubstrings(const csvtable::Record& header)
{
    static const QRegularExpression field(QStringLiteral("^substrings: (.*) \\[([0-9a-f]{16})\\]$"));
    if (header.fields.size() < 4)
        return std::nullopt;
    const QRegularExpressionMatch m = field.match(header.fields[3].text);
    if (!m.hasMatch())
        return std::nullopt;
    return SubstringsRecord{m.captured(1), m.captured(2)};
}

bool IsHeader(const csvtable::Record& record)
{
    return record.fields.size() >= 2 && !record.fields[0].quoted &&
           record.fields[0].text.compare(QLatin1String("old"), Qt::CaseInsensitive) == 0 &&
           record.fields[1].text.compare(QLatin1String("new"), Qt::CaseInsensitive) == 0;
}

dao::DaoError Refusal(const QString& path, int line, const QString& why)
{
    return dao::DaoError(5, QString("Invalid procedure call or argument: '%1' line %2: %3; correct the line")
                                .arg(path)
                                .arg(line)
                                .arg(why));
}

// The lines of a list: its records past the header and the blank lines; the substrings the header names.
// Raises 5 naming the line that is not UTF-8 text or whose quoting is broken.
std::vector<csvtable::Record> ListRecords(const QByteArray& bytes, const QString& path,
                                          std::optional<SubstringsRecord>* substrings = nullptr)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        // The line of the first byte that is not UTF-8.
        const QList<QByteArray> lines = bytes.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QStringDecoder line(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = line.decode(lines[i]);  // decoded only when it is taken
            if (line.hasError())
                throw Refusal(path, int(i + 1), "it is not UTF-8 text");
        }
        throw Refusal(path, int(lines.size()), "it is not UTF-8 text");
    }
    std::vector<csvtable::Record> records;
    try {
        records = csvtable::parseCsv(text, path);
    } catch (const csvtable::CsvError& e) {
        throw Refusal(path, e.line, e.message);
    }
    std::vector<csvtable::Record> lines;
    for (size_t i = 0; i < records.size(); ++i) {
        const csvtable::Record& r = records[i];
        if (i == 0 && IsHeader(r)) {
            if (substrings)
                *substrings = NamedSubstrings(r);
            continue;
        }
        if (r.fields.size() == 1 && r.fields[0].text.isEmpty())
            continue;
        lines.push_back(r);
    }
    return lines;
}

}  // namespace

SubstringsRecord SubstringsUsed(const QString& what, const std::vector<std::pair<QString, QString>>& pairs)
{
    QByteArray applied;
    for (const auto& [mp2, vx] : pairs)
        if (!mp2.isEmpty())
            applied += (dao::UpperCase(mp2) + QChar(9) + vx + QChar(10)).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(applied, QCryptographicHash::Sha256).toHex();
    return {what, QString::fromLatin1(digest.left(16))};
}

RenamesList ReadRenamesFile(const QString& path)
{
    RenamesList list;
    QSet<QString> seen;
    for (const csvtable::Record& r : ListRecords(dao::ReadInputFile(path, "--renames"), path, &list.substrings)) {
        if (r.fields.size() < 2)
            throw Refusal(path, r.line, "it needs the old number and the new one, separated by a comma");
        const QString& old = r.fields[0].text;
        if (old.isEmpty())
            throw Refusal(path, r.line, "the old number is empty");
        for (const QString& text : {old, r.fields[1].text})
            for (const QChar c : text)
                if (c.category() == QChar::Other_Control)
                    throw Refusal(path, r.line, QString("it holds a control character (code %1)").arg(c.unicode()));
        const ChangeValueCheck check = CheckChangeValue(r.fields[1].text, 1, kMaxEqNum);
        if (check.value.isEmpty()) {
            list.blank.push_back({old, QString(), r.line});  // not answered yet
            continue;
        }
        if (!check.accepted)
            throw Refusal(path, r.line, "the new value for '" + old + "' is refused: " + check.message);
        if (seen.contains(old))
            throw Refusal(path, r.line, "'" + old + "' is given a new value twice");
        seen.insert(old);
        list.answered.push_back({old, check.value, r.line});
    }
    return list;
}

QByteArray RenamesListCsv(const std::vector<std::pair<QString, QString>>& renames, const SubstringsRecord& substrings)
{
    QByteArray list = ("old,new,length," + Quoted(HeaderField(substrings)) + "\r\n").toUtf8();
    for (const auto& [number, value] : renames)
        list += ListLine(number, value);
    return list;
}

QByteArray RenamesListCsv(const QStringList& numbers, const SubstringsRecord& substrings)
{
    std::vector<std::pair<QString, QString>> renames;
    for (const QString& number : numbers)
        renames.emplace_back(number, QString());
    return RenamesListCsv(renames, substrings);
}

std::optional<QByteArray> MergedRenamesList(const QByteArray& existing, const QStringList& numbers, const QString& path,
                                            const SubstringsRecord& substrings)
{
    const std::vector<csvtable::Record> lines = ListRecords(existing, path);
    QStringList missing;
    for (const QString& number : numbers) {
        const bool listed = std::any_of(lines.begin(), lines.end(), [&](const csvtable::Record& r) {
            return r.fields[0].text.compare(number, Qt::CaseInsensitive) == 0;
        });
        if (!listed && !missing.contains(number))
            missing << number;
    }
    if (missing.isEmpty())
        return std::nullopt;
    if (existing.trimmed().isEmpty())
        return RenamesListCsv(missing, substrings);
    QByteArray merged = existing;
    if (!merged.endsWith('\n'))
        merged += "\r\n";
    for (const QString& number : missing)
        merged += ListLine(number, QString());
    return merged;
}
