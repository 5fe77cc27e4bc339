#include "ui/ImportForm.h"

#include "run/EndProgram.h"
#include "db/DaoError.h"
#include "db/Interrupt.h"
#include "ui/WidgetOperator.h"
#include "run/SummaryText.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

const QString ImportForm::kReadyText = QStringLiteral("Click on button to begin import.");
const QString ImportForm::kRunningText = QStringLiteral("Import in progress ... Please stand by");

namespace {

// While the window answers during the import: input already in the program's own queue (posted key
// presses and clicks) is dropped. What the window system delivers is held back by
// ExcludeUserInputEvents and comes after the import, as it would have without the window answering.
class DropInput : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->isInputEvent(); }
};

constexpr int kAnswerEveryMs = 100;

}  // namespace

ImportForm::ImportForm(const QString& source, const QString& target,
                       std::function<void(const ImportStart&)> beginImport, QWidget* parent)
    : QDialog(parent), beginImport_(std::move(beginImport))
{
    setObjectName(QStringLiteral("working"));
    setModal(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Importing from :")), 0, 0);
    txtsource = new QLineEdit;
    txtsource->setObjectName(QStringLiteral("txtsource"));
    fields->addWidget(txtsource, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Creating database :")), 1, 0);
    txttarget = new QLineEdit;
    txttarget->setObjectName(QStringLiteral("txttarget"));
    fields->addWidget(txttarget, 1, 1);
    for (QLineEdit* box : {txtsource, txttarget}) {
        box->setReadOnly(true);
        box->setMinimumWidth(420);
    }

    auto* frame = new QGroupBox;
    auto* frameLayout = new QVBoxLayout(frame);
    lblImportStatus = new QLabel(QStringLiteral("Importing database"));
    lblImportStatus->setObjectName(QStringLiteral("lblImportStatus"));
    lblImportStatus->setAlignment(Qt::AlignCenter);
    lblImportStatus->setWordWrap(true);
    QFont bold = lblImportStatus->font();
    bold.setBold(true);
    lblImportStatus->setFont(bold);
    // The status is painted at once when it changes, before any layout could run: its room is fixed
    // so that a new text never needs a new layout.
    lblImportStatus->setMinimumHeight(2 * lblImportStatus->fontMetrics().lineSpacing() + 8);
    lblImportStatus->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    frameLayout->addWidget(lblImportStatus);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(new QLabel(QStringLiteral("Current Progress :")));
    progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progressRow->addWidget(progress, 1);
    progressRow->addSpacing(12);
    progressRow->addWidget(new QLabel(QStringLiteral("Elapsed time :")));
    lblElapsed = new QLabel(ElapsedText(0));
    lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
    lblElapsed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblElapsed->setMinimumWidth(lblElapsed->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")));
    progressRow->addWidget(lblElapsed);

    chkWarningsToLogOnly = new QCheckBox(QStringLiteral("Write record warnings to the log only"));
    chkWarningsToLogOnly->setObjectName(QStringLiteral("chkWarningsToLogOnly"));
    chkWarningsToLogOnly->setChecked(false);

    btnOK = new QPushButton(QStringLiteral("Begin Import"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { Begin(false); });
    btnCheckOnly = new QPushButton(QStringLiteral("Check Only"));
    btnCheckOnly->setObjectName(QStringLiteral("btnCheckOnly"));
    btnCheckOnly->setToolTip(QStringLiteral("The whole import, with the same questions, into a temporary place: "
                                            "the summary and the log, but no database is kept or registered."));
    connect(btnCheckOnly, &QPushButton::clicked, this, [this] { Begin(true); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCheckOnly);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(frame);
    layout->addLayout(progressRow);
    layout->addSpacing(6);
    layout->addWidget(chkWarningsToLogOnly);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // Load.
    setWindowTitle(kReadyText);
    lblImportStatus->setText(kReadyText);
    txtsource->setText(source);
    txttarget->setText(target);

    elapsedTick_.setInterval(1000);
    connect(&elapsedTick_, &QTimer::timeout, this, &ImportForm::ShowElapsed);
}

void ImportForm::Paint()
{
    if (isVisible())
        repaint();
}

void ImportForm::KeepAnswering()
{
    if (!importing_ || (answered_.isValid() && answered_.elapsed() < kAnswerEveryMs))
        return;
    // Repaints, timers (the elapsed time), the desktop's questions and the stop notifier; no input.
    DropInput dropInput;
    qApp->installEventFilter(&dropInput);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    qApp->removeEventFilter(&dropInput);
    answered_.restart();
}

void ImportForm::ShowElapsed()
{
    if (clock_.isValid())
        lblElapsed->setText(ElapsedText(static_cast<double>(clock_.elapsed()) / 1000.0));
}

void ImportForm::SetStatus(const QString& text)
{
    lblImportStatus->setText(text);
    Paint();
    KeepAnswering();
}

void ImportForm::SetProgress(double value, double maximum)
{
    const int max = static_cast<int>(std::lround(maximum));
    const int val = static_cast<int>(std::lround(value));
    if (progress->maximum() != max)
        progress->setRange(0, max);
    progress->setValue(std::min(val, max));  // repaints the bar itself when what it shows changes
    KeepAnswering();
}

void ImportForm::SetSourceAndTarget(const QString& source, const QString& target)
{
    txtsource->setText(source);
    txttarget->setText(target);
    Paint();
}

void ImportForm::Begin(bool checkOnly)
{
    if (importing_)
        return;
    importing_ = true;
    began_ = true;
    for (QWidget* choice : std::initializer_list<QWidget*>{btnOK, btnCheckOnly, chkWarningsToLogOnly})
        choice->setEnabled(false);
    clock_.start();
    elapsedTick_.start();
    setWindowTitle(kRunningText);
    SetStatus(kRunningText);
    try {
        beginImport_(ImportStart{checkOnly, chkWarningsToLogOnly->isChecked()});
        exitStatus_ = 0;  // an import that ends without saying so has still ended
    } catch (const EndProgram& end) {
        exitStatus_ = end.status;
    } catch (const dao::Interrupted& stop) {
        exitStatus_ = 128 + stop.signal;
    } catch (const dao::DaoError& e) {
        // The driver traps its own errors; one that escapes is still shown before the program ends.
        QMessageBox::critical(this, WidgetOperator::kApplicationTitle,
                              "Error: In sub DoImport " + QString::number(e.Number) + "\n" + e.Description);
        exitStatus_ = 1;
    } catch (const std::exception& e) {
        QMessageBox::critical(this, WidgetOperator::kApplicationTitle,
                              "Error: In sub DoImport\n" + QString::fromLocal8Bit(e.what()));
        exitStatus_ = 1;
    }
    elapsedTick_.stop();
    ShowElapsed();
    importing_ = false;
    done(exitStatus_ == 0 ? QDialog::Accepted : QDialog::Rejected);
}

void ImportForm::closeEvent(QCloseEvent* event)
{
    if (importing_)
        event->ignore();  // no way back while the import runs
    else
        QDialog::closeEvent(event);
}

void ImportForm::keyPressEvent(QKeyEvent* event)
{
    // The form has no Cancel button: Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ImportForm::reject()
{
    if (!importing_)
        QDialog::reject();
}
