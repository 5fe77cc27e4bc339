#include "ui/AboutDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

// The logo: a calendar page with a tick, drawn rather than shipped.
QPixmap Logo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF page(size * 0.08, size * 0.12, size * 0.84, size * 0.80);
    p.setPen(QPen(QColor(30, 60, 110), size / 32.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(page, size / 12.0, size / 12.0);
    p.setBrush(QColor(30, 90, 160));
    p.drawRect(QRectF(page.left(), page.top(), page.width(), page.height() * 0.22));
    // The days.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 200, 215));
    const double cell = page.width() / 5.0;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(page.left() + cell * (col + 0.6), page.top() + page.height() * 0.32 + row * cell * 0.9,
                              cell * 0.55, cell * 0.5));
    // The tick.
    QPainterPath tick;
    tick.moveTo(size * 0.30, size * 0.60);
    tick.lineTo(size * 0.45, size * 0.76);
    tick.lineTo(size * 0.74, size * 0.42);
    p.setPen(QPen(QColor(30, 140, 60), size / 10.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return pixmap;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent, int major, int minor, int revision) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Crew Import"));

    picLogo = new QLabel;
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(Logo(72));
    lblTitle = new QLabel(QStringLiteral("Crew Import"));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel("Version " + QString::number(major) + "." + QString::number(minor) + "." +
                            QString::number(revision));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picLogo, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setColumnMinimumWidth(1, 220);
    layout->setHorizontalSpacing(18);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
