#include "cli/CommandLine.h"

#include <QStringDecoder>
#include <cstdio>

namespace cli {

namespace {

// An argument as bytes a reader can see: printable ASCII as it is, every other byte as \xNN.
QString Escaped(const QByteArray& bytes)
{
    QString shown;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            shown += QLatin1Char(c);
        else
            shown += QString::asprintf("\\x%02X", b);
    }
    return shown;
}

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

const Option* Find(const Syntax& syntax, const QString& name)
{
    for (const Option& o : syntax.options)
        if (o.name == name)
            return &o;
    return nullptr;
}

}  // namespace

std::optional<QString> Parsed::value(const QString& option) const
{
    const auto it = values.find(option);
    if (it == values.end() || it->second.isEmpty())
        return std::nullopt;
    return it->second.last();
}

QStringList Parsed::all(const QString& option) const
{
    const auto it = values.find(option);
    return it == values.end() ? QStringList() : it->second;
}

QString Decode(int argc, char** argv, QStringList& args)
{
    args.clear();
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString text = utf8.decode(bytes);
        if (utf8.hasError())
            return QString("argument %1 ('%2') is not UTF-8 text; give names and paths in UTF-8").arg(i).arg(Escaped(bytes));
        args << text;
    }
    return {};
}

QString Parse(const QStringList& args, const Syntax& syntax, Parsed& parsed)
{
    parsed = Parsed{};
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || a == QLatin1String("-") || !a.startsWith(QLatin1Char('-'))) {
            if (parsed.positional.size() >= syntax.positionals)
                return QString("unexpected argument '%1'").arg(a);
            parsed.positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            parsed.help = true;
            return {};
        }
        if (a == QLatin1String("--version")) {
            parsed.version = true;
            return {};
        }
        const qsizetype equals = a.startsWith(QLatin1String("--")) ? a.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals > 0 ? a.left(equals) : a;
        const Option* option = Find(syntax, name);
        if (!option)
            return QString("unknown option '%1'").arg(name);
        if (option->kind == Option::Flag) {
            if (equals > 0)
                return QString("%1 takes no value").arg(name);
            parsed.values[name];
            continue;
        }
        QString value;
        if (equals > 0) {
            value = a.mid(equals + 1);
        } else {
            if (i + 1 >= args.size())
                return QString("%1 needs a value").arg(name);
            value = args[++i];
        }
        if (option->kind == Option::Value && parsed.has(name))
            return QString("%1 is given twice; give it once").arg(name);
        parsed.values[name] << value;
    }
    return {};
}

std::optional<int> Read(int argc, char** argv, const Syntax& syntax, Parsed& parsed)
{
    QStringList args;
    QString problem = Decode(argc, argv, args);
    if (problem.isEmpty())
        problem = Parse(args, syntax, parsed);
    if (!problem.isEmpty())
        return Refuse(syntax, problem);
    if (parsed.help)
        return Help(syntax);
    if (parsed.version)
        return Version(syntax);
    return std::nullopt;
}

int Refuse(const Syntax& syntax, const QString& problem)
{
    Print(stderr, syntax.program + ": " + problem + "\n" + syntax.usage);
    return 2;
}

int Help(const Syntax& syntax)
{
    Print(stdout, syntax.usage);
    return 0;
}

int Version(const Syntax& syntax)
{
    Print(stdout, syntax.program + " " + QStringLiteral(CREW_VERSION) + "\n");
    return 0;
}

}  // namespace cli
