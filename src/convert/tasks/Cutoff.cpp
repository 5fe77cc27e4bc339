#include "convert/tasks/Cutoff.h"

#include "db/Variant.h"

namespace {

// Basic's Val: the number at the start of the text. Blanks, tabs and line feeds are passed over
// wherever they stand; reading stops at the first character that cannot continue the number.
double Val(const QString& text)
{
    QString digits;
    bool seenPoint = false, seenExponent = false, seenDigit = false;
    for (const QChar c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (c.isDigit() && c.unicode() < 0x80) {
            digits += c;
            seenDigit = true;
        } else if ((c == '+' || c == '-') &&
                   (digits.isEmpty() || (seenExponent && (digits.endsWith('E'))))) {
            digits += c;
        } else if (c == '.' && !seenPoint && !seenExponent) {
            digits += c;
            seenPoint = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seenDigit && !seenExponent) {
            digits += 'E';
            seenExponent = true;
        } else {
            break;
        }
    }
    while (!digits.isEmpty() && !digits.back().isDigit() && digits.back() != '.')
        digits.chop(1);  // a sign or exponent mark without digits after it
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0;
}

}  // namespace

std::optional<QString> CutoffRefusal(const QString& answer)
{
    if (!dao::IsNumeric(answer))
        return QString("Enter a numeric response.");
    const double days = Val(answer);
    if (days < 10 || days > 366)
        return QString("Enter a value between 10 and 366 inclusive.");
    return std::nullopt;
}

double CutoffDays(const QString& answer) { return Val(answer); }
