#include "ui/Wizard.h"

#include "run/EndProgram.h"
#include "db/Interrupt.h"
#include "wizard/HostSettings.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

Wizard::~Wizard() { CloseAll(); }

bool Wizard::Start(const QString& programPath, const Kept* kept)
{
    try {
        run.gProgram = GetEdition(programPath);
        form.MainFormLoad();
        if (kept) {
            form.Restore(kept->texts);
            run.warningsToLogOnly = kept->warningsToLogOnly;
        }
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
    if (kept && kept->geometry.isValid())
        window->setGeometry(kept->geometry);
    window->checked = [this](int status) {
        again_ = Kept{form.Texts(), window->geometry(), run.warningsToLogOnly};
        End(status);
    };
    // SIGINT or SIGTERM: the program ends. An import under way sees the request at its next step
    // (or when the box on the screen closes) and ends as Cancel Import ends it.
    if (dao::InterruptWakeFd() >= 0) {
        stopNotifier_ = std::make_unique<QSocketNotifier>(dao::InterruptWakeFd(), QSocketNotifier::Read);
        QObject::connect(stopNotifier_.get(), &QSocketNotifier::activated, [this] {
            char drained[64];
            while (::read(dao::InterruptWakeFd(), drained, sizeof drained) > 0) {
            }
            End(128 + dao::InterruptSignal());
        });
    }
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

void Wizard::CloseAll() noexcept
{
    // Every way out comes here, after the first error has been shown: closing never raises. A close
    // that fails is still told, on the standard error.
    for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb}) {
        try {
            if (*db && (*db)->isOpen())
                (*db)->Close();
        } catch (const dao::DaoError& e) {
            std::fprintf(stderr, "crew-import: closing '%s': error %d: %s\n", qUtf8Printable((*db)->Name()), e.Number,
                         qUtf8Printable(e.Description));
        }
    }
    run.gDBoutOpen = false;
    if (run.log.gLogOpen())
        run.log.Close();
}

int RunWizard(int& argc, char** argv)
{
    dao::InstallInterruptHandlers();
    QApplication app(argc, argv);
    QApplication::setApplicationName(WidgetOperator::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(CREW_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);  // the program ends when the wizard says so
    // Each attempt after a check gets a run of its own (run state, database list, log, plan of files),
    // as a new start of the program would, with the form as the operator left it.
    std::optional<Wizard::Kept> kept;
    for (;;) {
        Wizard wizard;
        if (!wizard.Start(QApplication::applicationFilePath(), kept ? &*kept : nullptr))
            return wizard.status();
        const int status = wizard.Exec();
        if (!wizard.again())
            return status;
        kept = wizard.again();
    }
}
