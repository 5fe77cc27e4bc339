#include "app/RenamesCheck.h"

#include "convert/equipment/ChangeValue.h"
#include "convert/equipment/PreParse.h"
#include "db/Database.h"
#include "db/Recordset.h"
#include "db/TextCase.h"

#include <QSet>
#include <algorithm>
#include <map>
#include <vector>

namespace {

// Every list of problems is shown whole up to this many lines; the rest are counted.
constexpr qsizetype kShownAtMost = 20;

// One equipment number of the source: as MP2 holds it and as the substrings leave it.
struct Number {
    QString mp2;
    QString left;
};

// The pairs as the pre-parse screen's update applies them: rows without an MP2 text left out, the MP2
// text upper-cased.
std::vector<SubstringPair> AppliedPairs(const BatchAnswers& answers)
{
    std::vector<SubstringPair> pairs;
    const auto add = [&](const QString& mp2, const QString& vx) {
        if (!mp2.isEmpty())
            pairs.push_back({dao::UpperCase(mp2), vx});
    };
    switch (answers.substrings) {
    case BatchAnswers::Substrings::None: break;
    case BatchAnswers::Substrings::Default:
        for (const SubstringPair& p : DefaultSubstrings())
            add(p.mp2, p.vx);
        break;
    case BatchAnswers::Substrings::Pairs:
        for (const auto& [mp2, vx] : answers.substringPairs)
            add(mp2, vx);
        break;
    }
    return pairs;
}

// The numbers of EQUIP as the equipment conversion meets them: a number the substrings change is
// upper-cased and changed, any other stays as MP2 holds it; a blank number is no equipment.
std::vector<Number> Numbers(dao::Database& source, const std::vector<SubstringPair>& pairs)
{
    std::vector<Number> numbers;
    auto rs = source.OpenRecordset("Select * from EQUIP", dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const dao::Variant v = rs->Fields("EQNUM").Value();
        if (v.isNull() || v.toText().isEmpty())
            continue;
        const QString mp2 = v.toText();
        const QString upper = dao::UpperCase(mp2);
        const QString left = SubstituteEqNum(upper, pairs);
        numbers.push_back({mp2, left != upper ? left : mp2});
    }
    rs->Close();
    std::sort(numbers.begin(), numbers.end(),
              [](const Number& a, const Number& b) { return a.left.compare(b.left, Qt::CaseInsensitive) < 0; });
    return numbers;
}

// The number of the source an answer is for: as the substrings leave it, or as MP2 holds it.
const Number* Left(const std::vector<Number>& numbers, const QString& text)
{
    return FindNumber(numbers, [](const Number& n) { return n.left; }, text);
}
const Number* AsMp2HoldsIt(const std::vector<Number>& numbers, const QString& text)
{
    return FindNumber(numbers, [](const Number& n) { return n.mp2; }, text);
}

QString Given(const BatchRename& r) { return "'" + r.old + "' (" + r.from + ")"; }

// The lines of a list, the first kShownAtMost of them, and how many more there are.
QString Listed(const QStringList& lines)
{
    QString text;
    for (qsizetype i = 0; i < lines.size() && i < kShownAtMost; ++i)
        text += "\n  - " + lines[i];
    if (lines.size() > kShownAtMost)
        text += QString("\n  ... and %1 more").arg(lines.size() - kShownAtMost);
    return text;
}

}  // namespace

std::optional<QString> RenamesDoNotFit(dao::Database& source, const BatchAnswers& answers, const QString& substrings,
                                       bool checkOnly)
{
    if (!source.HasTable("EQUIP"))
        return std::nullopt;  // the equipment conversion says what is missing
    const std::vector<SubstringPair> pairs = AppliedPairs(answers);
    const std::vector<Number> numbers = Numbers(source, pairs);
    const QString asLeft = pairs.empty() ? "as MP2 holds the numbers (--substrings " + substrings + ")"
                                         : "as the substrings leave the numbers (--substrings " + substrings + ")";
    QSet<QString> inUse;
    for (const Number& n : numbers)
        inUse.insert(dao::FoldCase(n.left));

    QStringList wrong;
    std::map<QString, std::vector<const BatchRename*>> byValue;  // the answers of the numbers asked, by new value
    std::vector<QString> valueOrder;
    std::map<const Number*, const BatchRename*> answeredBy;  // the answer the run takes: the first one
    for (const BatchRename& r : answers.renames) {
        const Number* n = Left(numbers, r.old);
        if (!n) {
            const Number* before = pairs.empty() ? nullptr : AsMp2HoldsIt(numbers, r.old);
            if (!before)
                wrong << Given(r) + " is no equipment number of the source, " + asLeft;
            else if (before->left.size() > kMaxEqNum)
                wrong << Given(r) + " is the number as MP2 holds it; the substrings (--substrings " + substrings +
                             ") make it '" + before->left + "', the number to give";
            else
                wrong << Given(r) + " is the number as MP2 holds it; the substrings (--substrings " + substrings +
                             ") make it '" + before->left + "', short enough: it needs no new value";
            continue;
        }
        if (n->left.size() <= kMaxEqNum) {
            wrong << Given(r) + QString(" has %1 characters, so it keeps its number and is never renamed")
                                    .arg(n->left.size());
            continue;
        }
        if (const auto earlier = answeredBy.find(n); earlier != answeredBy.end()) {
            if (earlier->second->value != r.value)
                wrong << "'" + n->left + "' is given two new values: '" + earlier->second->value + "' (" +
                             earlier->second->from + ") and '" + r.value + "' (" + r.from + ")";
            continue;
        }
        answeredBy[n] = &r;
        const QString value = dao::FoldCase(r.value);
        if (inUse.contains(value))
            wrong << "the new value '" + r.value + "' for " + Given(r) +
                         " is already the number of another piece of equipment";
        if (byValue[value].empty())
            valueOrder.push_back(value);
        byValue[value].push_back(&r);
    }
    for (const QString& value : valueOrder) {
        const std::vector<const BatchRename*>& given = byValue[value];
        if (given.size() < 2)
            continue;
        QStringList names;
        for (const BatchRename* r : given)
            names << Given(*r);
        wrong << "the new value '" + given.front()->value + "' is given to " + QString::number(given.size()) +
                     " numbers, " + names.join(" and ") + ": each needs one of its own";
    }

    // An import stops at the first number no option answers: all of them are told now instead.
    QStringList unanswered;
    bool allBlank = true;
    if (!checkOnly) {
        for (const Number& n : numbers) {
            if (n.left.size() <= kMaxEqNum || FindRename(answers.renames, n.left))
                continue;
            if (const BatchRename* blank = FindRename(answers.unanswered, n.left)) {
                unanswered << Given(*blank) + " has no new value yet";
            } else {
                unanswered << QString("'%1' (%2 characters) has no new value: no --rename or --renames line names it%3")
                                  .arg(n.left)
                                  .arg(n.left.size())
                                  .arg(n.left.contains(QLatin1Char('='))
                                           ? QString(" (a number holding '=' is renamed only from a --renames file)")
                                           : QString());
                allBlank = false;
            }
        }
    }
    if (wrong.isEmpty() && unanswered.isEmpty())
        return std::nullopt;

    QString reason;
    if (!wrong.isEmpty())
        reason = QString("crew-import --batch cannot take the new equipment numbers it was given: the numbers of the "
                         "source were read before the first conversion, %1, and %2 %3 found:")
                     .arg(asLeft)
                     .arg(wrong.size())
                     .arg(wrong.size() == 1 ? "problem was" : "problems were") +
                 Listed(wrong);
    if (!unanswered.isEmpty())
        reason += (reason.isEmpty() ? QString() : QString("\n")) +
                  QString("%1 equipment %2 longer than %3 characters, %4, and no option gives %5 a new value:")
                      .arg(unanswered.size())
                      .arg(unanswered.size() == 1 ? "number is" : "numbers are")
                      .arg(kMaxEqNum)
                      .arg(asLeft)
                      .arg(unanswered.size() == 1 ? "it" : "them") +
                  Listed(unanswered);
    reason += "\n";
    if (!wrong.isEmpty())
        reason += "Correct the lines named (--renames FILE.csv, --rename OLD=NEW), then import again. ";
    if (!unanswered.isEmpty() && allBlank)
        reason += "Fill in the new values of the lines named (the second column), then import again. ";
    reason += "A check (--check-only, with the same --substrings) lists every number to rename, as the import will "
              "meet it, in MP2ImportRenames.csv, to be filled in and given to --renames.";
    return reason;
}
