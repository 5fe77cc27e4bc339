#include "ui/AboutDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

// The logo: a calendar page with a spanner's head, drawn rather than shipped.
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
    p.drawRect(QRectF(page.left(), page.top(), page.width(), page.height() * 0.25));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 60, 40));
    QPainterPath spanner;
    spanner.addEllipse(QPointF(size * 0.5, size * 0.60), size * 0.17, size * 0.17);
    spanner.addRect(QRectF(size * 0.45, size * 0.60, size * 0.10, size * 0.28));
    QPainterPath jaw;
    jaw.addRect(QRectF(size * 0.44, size * 0.40, size * 0.12, size * 0.16));
    p.drawPath(spanner.subtracted(jaw));
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
