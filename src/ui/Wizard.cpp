#include "ui/Wizard.h"

#include "import/EndProgram.h"
#include "wizard/HostSettings.h"

#include <QApplication>

Wizard::~Wizard() { CloseAll(); }

bool Wizard::Start(const QString& programPath)
{
    try {
        run.gProgram = GetEdition(programPath);
        form.MainFormLoad();
    } catch (const EndProgram& end) {
        End(end.status);
        return false;
    } catch (const dao::DaoError& e) {
        op.MsgBox("ImportLoad Error:" + QString::number(e.Number) + QChar(13) + e.Description + QChar(13) +
                  "Import Utility will be closed.");
        End(1);
        return false;
    }
    window = std::make_unique<MainWindow>(form, op, [this](int status) { End(status); });
    return true;
}

int Wizard::Exec()
{
    if (!ended_ && window) {
        window->show();
        looping_ = true;
        QApplication::exec();
        looping_ = false;
    }
    CloseAll();
    return status_;
}

void Wizard::End(int status)
{
    if (ended_)
        return;
    ended_ = true;
    status_ = status;
    if (window)
        window->hide();
    if (looping_)
        QCoreApplication::exit(status);
}

void Wizard::CloseAll()
{
    for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb})
        if (*db && (*db)->isOpen())
            (*db)->Close();
    run.gDBoutOpen = false;
    if (run.log.gLogOpen())
        run.log.Close();
}

int RunWizard(int& argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(WidgetOperator::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(CREW_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);  // the program ends when the wizard says so
    Wizard wizard;
    if (!wizard.Start(QApplication::applicationFilePath()))
        return wizard.status();
    return wizard.Exec();
}
