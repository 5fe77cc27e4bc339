#pragma once
// The desktop wizard as one program run: the operator, the run state, the main form's logic and its
// window. Start() loads the main form; Exec() runs the event loop until the program ends and then
// closes whatever is still open (databases, import log).
#include "run/RunState.h"
#include "ui/MainWindow.h"
#include "ui/WidgetOperator.h"
#include "wizard/MainForm.h"

#include <QSocketNotifier>
#include <memory>

class Wizard {
public:
    Wizard() = default;
    ~Wizard();

    // The start-up of the main form (edition, settings, database list, proposed names) and its window.
    // False when the program already ended (the product is not installed, or start-up failed).
    bool Start(const QString& programPath);
    // Shows the main form and runs until the program ends; returns the exit status.
    int Exec();

    // Ends the program with `status`: closes the window and leaves the event loop when it runs.
    void End(int status);
    bool ended() const { return ended_; }
    int status() const { return status_; }
    // Closes the databases and the import log, as every way out of the program does.
    void CloseAll() noexcept;

    WidgetOperator op;
    RunState run{op};
    MainForm form{run};
    std::unique_ptr<MainWindow> window;

private:
    std::unique_ptr<QSocketNotifier> stopNotifier_;
    bool ended_ = false;
    bool looping_ = false;
    int status_ = 1;
};

// crew-import without arguments: the wizard on the screen. Returns the exit status.
int RunWizard(int& argc, char** argv);
