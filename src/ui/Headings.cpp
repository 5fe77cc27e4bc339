#include "ui/Headings.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QStyle>

void WrapHeadings(QHeaderView* header)
{
    header->setDefaultAlignment(header->defaultAlignment() | Qt::Alignment::fromInt(Qt::TextWordWrap));
}

void FitHeadingHeight(QHeaderView* header)
{
    const QFontMetrics fm = header->fontMetrics();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    bool wraps = false;
    for (int column = 0; column < header->count() && !wraps; ++column) {
        const QString text = header->model()->headerData(column, header->orientation()).toString();
        wraps = fm.horizontalAdvance(text) + margins > header->sectionSize(column);
    }
    const int height = wraps ? 2 * fm.lineSpacing() + 10 : 0;
    if (header->minimumHeight() != height)
        header->setMinimumHeight(height);
}
