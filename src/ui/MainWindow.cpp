#include "ui/MainWindow.h"

#include "import/Driver.h"
#include "run/EndProgram.h"
#include "db/Interrupt.h"
#include "ui/AboutDialog.h"
#include "ui/ImportForm.h"
#include "ui/SettingsDialog.h"
#include "ui/SummaryWindow.h"
#include "ui/WidgetOperator.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QValidator>
#include <QVBoxLayout>

namespace {

// Refuses a change that brings in a character the box does not take (pasted or dropped text; typed
// keys are refused, with their message and beep, before they reach the box). Characters already in
// the box, for example in a name derived from the source, do not block further typing.
class RefusedCharacters : public QValidator {
public:
    RefusedCharacters(QLineEdit* box, std::function<bool(QChar)> refused)
        : QValidator(box), refused_(std::move(refused)), before_(box->text())
    {
        // The text as it stood before a change: while a change is checked the box already holds it.
        connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
    }
    State validate(QString& input, int&) const override
    {
        return Count(input) > Count(before_) ? Invalid : Acceptable;
    }

private:
    int Count(const QString& text) const
    {
        int n = 0;
        for (const QChar c : text)
            n += refused_(c) ? 1 : 0;
        return n;
    }
    std::function<bool(QChar)> refused_;
    QString before_;
};

QLabel* Wrapped(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* Hint(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// The text a key would leave in the box: the selection replaced, or the key inserted at the cursor.
QString Proposed(const QLineEdit* box, const QString& key)
{
    QString text = box->text();
    int at = box->cursorPosition();
    if (box->hasSelectedText()) {
        at = box->selectionStart();
        text.remove(at, static_cast<int>(box->selectedText().size()));
    }
    return text.insert(at, key);
}

}  // namespace

MainWindow::MainWindow(MainForm& form, WidgetOperator& op, std::function<void(int)> endProgram, QWidget* parent)
    : QMainWindow(parent), form_(form), op_(op), endProgram_(std::move(endProgram))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(form_.Caption);
    op_.SetMainWindow(this);

    auto* central = new QWidget;
    setCentralWidget(central);

    auto* warning = Wrapped(QStringLiteral(
        "WARNING : You must have Vantrix/Mendly Version 2.86 or later installed before running this import utility."));
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    warning->setStyleSheet(QStringLiteral("color: #a40000;"));
    auto* note = Wrapped(QStringLiteral("NOTE : The source database will NOT be modified in any way during the "
                                        "import. This utility imports information and creates a completely new "
                                        "database."));

    // Source.
    auto* source = new QGroupBox(QStringLiteral("SOURCE DATABASE"));
    auto* sourceLayout = new QGridLayout(source);
    sourceLayout->addWidget(
        Wrapped(QStringLiteral("Select MP2 database to be imported (It should already be in an Access .mdb file)")), 0,
        0, 1, 2);
    txtSourceDB = new QLineEdit;
    btnAdd = new QPushButton(QStringLiteral("Change Database"));
    btnAdd->setToolTip(QStringLiteral("Select the database to import from."));
    sourceLayout->addWidget(txtSourceDB, 1, 0);
    sourceLayout->addWidget(btnAdd, 1, 1);

    // Target.
    auto* target = new QGroupBox(QStringLiteral("TARGET DATABASE"));
    auto* t = new QGridLayout(target);
    lblTargetHint = new QLabel(form_.lblTargetHint);
    lblTargetHint->setFont(bold);
    t->addWidget(lblTargetHint, 0, 0, 1, 4);
    t->addWidget(new QLabel(QStringLiteral("Selected Directory:")), 1, 0);
    txtTargetDir = new QLineEdit;
    btnBrowse = new QPushButton(QStringLiteral(". . ."));
    btnBrowse->setToolTip(QStringLiteral("Browse Directories"));
    btnBrowse->setFixedWidth(btnBrowse->fontMetrics().horizontalAdvance(QStringLiteral(". . .")) + 28);
    t->addWidget(txtTargetDir, 1, 1, 1, 2);
    t->addWidget(btnBrowse, 1, 3);
    // The long labels wrap on a narrow screen rather than widen the form past it. The example path is
    // never broken after its colon (an invisible word joiner, U+2060, holds "F:" to "\Crew"): it goes to
    // the next line whole.
    t->addWidget(Wrapped(QStringLiteral("Recommended Directory: (It is recommended to use a subdirectory under "
                                        "\\Crew ex. F:\u2060\\Crew\\Plant1 )")),
                 2, 0, 1, 4);
    txtRecommendDirectory = new QLineEdit;
    btnRecToSelect = new QPushButton(QStringLiteral("Make Recommended Directory the Selected Directory"));
    t->addWidget(txtRecommendDirectory, 3, 1, 1, 2);
    t->addWidget(btnRecToSelect, 4, 1, 1, 2, Qt::AlignLeft);
    t->addWidget(new QLabel(QStringLiteral("File Name:")), 5, 0);
    txtFileName = new QLineEdit;
    t->addWidget(txtFileName, 5, 1);
    t->addWidget(Hint(QStringLiteral("ex. plant1.mdb")), 5, 2);
    t->addWidget(new QLabel(QStringLiteral("Name:")), 6, 0);
    txtDBName = new QLineEdit;
    t->addWidget(txtDBName, 6, 1);
    t->addWidget(Hint(QStringLiteral("ex. plant 1")), 6, 2);
    t->addWidget(Wrapped(QStringLiteral("It is recommended not to use mendly or vantrix as the name of the new "
                                        "database.")),
                 7, 0, 1, 4);
    t->setColumnStretch(1, 3);
    t->setColumnStretch(2, 1);
    t->setVerticalSpacing(3);  // eight rows: on a small screen every pixel of height counts

    btnOpt = new QPushButton(QStringLiteral("Advanced Options"));
    btnImport = new QPushButton(QStringLiteral("Import"));
    Command1 = new QPushButton(QStringLiteral("Cancel"));
    // Enter presses Import (keyPressEvent), or the button that has the focus.
    btnImport->setDefault(true);
    for (QPushButton* button : {btnAdd, btnBrowse, btnRecToSelect, btnOpt, Command1})
        button->setAutoDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOpt);
    buttons->addStretch();
    buttons->addWidget(btnImport);
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(warning);
    layout->addWidget(note);
    layout->addWidget(source);
    layout->addWidget(target);
    layout->addStretch();
    layout->addLayout(buttons);

    const QList<std::pair<QObject*, const char*>> names = {
        {txtSourceDB, "txtSourceDB"},     {txtTargetDir, "txtTargetDir"},
        {txtRecommendDirectory, "txtRecommendDirectory"}, {txtFileName, "txtFileName"},
        {txtDBName, "txtDBName"},         {btnAdd, "btnAdd"},
        {btnBrowse, "btnBrowse"},         {btnRecToSelect, "btnRecToSelect"},
        {btnOpt, "btnOpt"},               {btnImport, "btnImport"},
        {Command1, "Command1"},           {lblTargetHint, "lblTargetHint"}};
    for (const auto& [object, name] : names)
        object->setObjectName(QLatin1String(name));

    auto* help = menuBar()->addMenu(QStringLiteral("Help"));
    mnuAbout = help->addAction(QStringLiteral("About"));
    connect(mnuAbout, &QAction::triggered, this, &MainWindow::ShowAbout);

    // What the operator types goes back into the form.
    connect(txtSourceDB, &QLineEdit::textEdited, this, [this](const QString& s) { form_.txtSourceDB = s; });
    connect(txtTargetDir, &QLineEdit::textEdited, this, [this](const QString& s) { form_.txtTargetDir = s; });
    connect(txtRecommendDirectory, &QLineEdit::textEdited, this,
            [this](const QString& s) { form_.txtRecommendDirectory = s; });
    connect(txtFileName, &QLineEdit::textEdited, this, [this](const QString& s) { form_.txtFileName = s; });
    connect(txtDBName, &QLineEdit::textEdited, this, [this](const QString& s) { form_.txtDBName = s; });
    txtDBName->installEventFilter(this);
    txtFileName->installEventFilter(this);
    txtDBName->setValidator(new RefusedCharacters(txtDBName, [](QChar c) { return MainForm::RefusedInDBName(c).has_value(); }));
    txtFileName->setValidator(new RefusedCharacters(txtFileName, [](QChar c) { return MainForm::RefusedInFileName(c).has_value(); }));

    chooseSource = [this] { return OpenFileDialog(); };
    chooseDirectory = [this] { return DirectoryDialog(); };
    showImportForm = [this] { return ShowImportForm(); };
    beginImport = [](RunState& run) { BeginImport(run); };

    connect(btnAdd, &QPushButton::clicked, this, [this] { Guard([this] { btnAdd_Click(); }); });
    connect(btnBrowse, &QPushButton::clicked, this, [this] { Guard([this] { btnBrowse_Click(); }); });
    connect(btnRecToSelect, &QPushButton::clicked, this, [this] { Guard([this] { form_.btnRecToSelect_Click(); }); });
    connect(btnOpt, &QPushButton::clicked, this, [this] { Guard([this] { form_.btnOpt_Click(); }); });
    connect(btnImport, &QPushButton::clicked, this, [this] { Guard([this] { btnImport_Click(); }); });
    connect(Command1, &QPushButton::clicked, this, [this] { Guard([this] { form_.Command1_Click(); }); });

    Refresh();
    if (const QScreen* screen = this->screen())
        FitInto(screen->availableGeometry().size());
}

void MainWindow::FitInto(const QSize& room)
{
    // As wide as the form reads best (each label on one line), but within the room less a window
    // frame; as tall as the labels wrapped at that width need.
    const QSize inside = room - QSize(16, 48);
    const int width = std::max(std::min(std::max(sizeHint().width(), 760), inside.width()), minimumSizeHint().width());
    const int central = centralWidget()->heightForWidth(width);
    const int height = central < 0 ? sizeHint().height() : menuBar()->sizeHint().height() + central;
    resize(width, std::max(std::min(height, inside.height()), minimumSizeHint().height()));
}

MainWindow::~MainWindow() { op_.SetMainWindow(nullptr); }

void MainWindow::Refresh()
{
    const auto show = [](QLineEdit* box, const QString& text) {
        if (box->text() != text)
            box->setText(text);
    };
    show(txtSourceDB, form_.txtSourceDB);
    show(txtTargetDir, form_.txtTargetDir);
    show(txtRecommendDirectory, form_.txtRecommendDirectory);
    show(txtFileName, form_.txtFileName);
    show(txtDBName, form_.txtDBName);
    lblTargetHint->setText(form_.lblTargetHint);
}

QLineEdit* MainWindow::Field(MainField field) const
{
    switch (field) {
    case MainField::None: return nullptr;
    case MainField::txtSourceDB: return txtSourceDB;
    case MainField::txtTargetDir: return txtTargetDir;
    case MainField::txtRecommendDirectory: return txtRecommendDirectory;
    case MainField::txtFileName: return txtFileName;
    case MainField::txtDBName: return txtDBName;
    }
    return nullptr;
}

// Runs a handler of the form. The end of the program is passed on; an error that no trap of the
// form took is shown, number and description, and the form stays as it is.
template <typename Handler>
void MainWindow::Guard(Handler handler)
{
    try {
        handler();
        Refresh();
    } catch (const EndProgram& end) {
        ending_ = true;
        endProgram_(end.status);
    } catch (const dao::Interrupted& stop) {
        ending_ = true;
        endProgram_(128 + stop.signal);
    } catch (const dao::DaoError& e) {
        Refresh();
        op_.MsgBox(QString::number(e.Number) + " - " + e.Description, MsgIcon::Critical);
    } catch (const std::exception& e) {
        // Not an error of the database layer (out of memory, a failure of the toolkit).
        Refresh();
        op_.MsgBox("51 - Internal error: " + QString::fromLocal8Bit(e.what()), MsgIcon::Critical);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtDBName && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!keysDownInName_.contains(key->key()))
            keysDownInName_.insert(key->key(), txtDBName->text());
        const QString text = key->text();
        if (text.size() == 1 && text[0].isPrint()) {
            const bool accepted = form_.txtDBName_KeyPress(text[0], Proposed(txtDBName, text));
            txtFileName->setText(form_.txtFileName);
            txtRecommendDirectory->setText(form_.txtRecommendDirectory);
            if (!accepted) {
                keysDownInName_.remove(key->key());  // the refused key is done with
                return true;
            }
        }
        return false;
    }
    if (watched == txtDBName && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Only a key that was pressed in this box and changed its text counts: the release of the Tab
        // that brought the focus here from the file name, or of an arrow, Home or End, must not
        // overwrite the file name the operator typed.
        if (key->isAutoRepeat() || !keysDownInName_.contains(key->key()))
            return false;
        if (keysDownInName_.take(key->key()) == txtDBName->text())
            return false;
        form_.txtDBName = txtDBName->text();
        form_.txtDBName_KeyUp(key->key() == Qt::Key_Backspace ? 8 : key->key());
        txtFileName->setText(form_.txtFileName);
        txtRecommendDirectory->setText(form_.txtRecommendDirectory);
        return false;
    }
    if (watched == txtFileName && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() == 1 && text[0].isPrint() && !form_.txtFileName_KeyPress(text[0]))
            return true;
        return false;
    }
    if (watched == txtDBName && event->type() == QEvent::FocusOut)
        keysDownInName_.clear();
    return QMainWindow::eventFilter(watched, event);
}

std::optional<QString> MainWindow::OpenFileDialog()
{
    QFileDialog dialog(this, QStringLiteral("Browse for a Mendly 1.x Database"));
    dialog.setObjectName(QStringLiteral("cdFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Databases (*.mdb)"));
    const QFileInfo current(form_.txtSourceDB);
    dialog.setDirectory(current.absoluteDir().exists() && !form_.txtSourceDB.isEmpty() ? current.absolutePath()
                                                                                         : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // A key no box or button took: Enter presses Import, the form's default button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && btnImport->isEnabled()) {
        event->accept();
        btnImport->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

std::optional<QString> MainWindow::DirectoryDialog()
{
    // A directory the wizard proposed is made by the import: that it does not exist yet is no error.
    SettingsDialog dialog(op_, form_.txtTargetDir, this, DriveList(),
                          form_.TargetDirProposed() ? MissingDirectory::Quiet : MissingDirectory::Report);
    if (dialog.exec() != QDialog::Accepted || dialog.DirectoryPath().isEmpty())
        return std::nullopt;
    return dialog.DirectoryPath();
}

void MainWindow::btnAdd_Click() { form_.btnAdd_Click(chooseSource()); }

void MainWindow::btnBrowse_Click()
{
    if (const auto dir = chooseDirectory())
        form_.txtTargetDir = *dir;
}

void MainWindow::btnImport_Click()
{
    const ImportCheck check = form_.btnImport_Click();
    Refresh();
    if (!check.startImport) {
        if (QLineEdit* box = Field(check.focus))
            box->setFocus();
        return;
    }
    checkEnded_ = false;
    const int status = showImportForm();
    ending_ = true;
    if (checkEnded_ && checked) {
        checked(status);  // back to the form, everything still filled in
        return;
    }
    endProgram_(status);
}

int MainWindow::ShowImportForm()
{
    RunState& run = form_.run;
    ImportForm working(
        form_.txtSourceDB, form_.txtTargetDir,
        [this, &run](const ImportStart& start) {
            run.checkOnly = start.checkOnly;
            run.warningsToLogOnly = start.warningsToLogOnly;
            beginImport(run);
        },
        this);
    working.chkWarningsToLogOnly->setChecked(run.warningsToLogOnly);  // as the last attempt had it
    op_.SetImportForm(&working);
    working.exec();
    op_.SetImportForm(nullptr);
    op_.SetBusy(false);
    // The run has ended, its closing box shown: its summary, unless the program was asked to stop
    // (SIGINT, SIGTERM), which ends it without waiting for anyone.
    const bool stopped = run.summary.result == RunResult::Interrupted || dao::InterruptSignal() != 0;
    if (working.began() && !stopped) {
        SummaryWindow summary(run.summary, op_, this);
        summary.exec();
    }
    // A check that came to its end, whatever it found, leaves the operator where the import starts;
    // "Cancel Import" ends the program, as it does in an import.
    checkEnded_ = working.began() && !stopped && run.checkOnly && run.summary.result != RunResult::Cancelled;
    return working.exitStatus();
}

void MainWindow::ShowAbout()
{
    if (!about)
        about = new AboutDialog(this);
    about->show();
    about->raise();
    about->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (!ending_) {
        // Closing the form unloads it and ends the program, as "Cancel" does.
        form_.MainFormUnload();
        ending_ = true;
        endProgram_(1);
    }
}
