#pragma once
// The desktop wizard as one program run: the operator, the run state, the main form's logic and its
// window. Start() loads the main form; Exec() runs the event loop until the program ends and then
// closes whatever is still open (databases, import log).
#include "run/RunState.h"
#include "ui/MainWindow.h"
#include "ui/WidgetOperator.h"
#include "wizard/MainForm.h"

#include <QRect>
#include <QSocketNotifier>
#include <memory>
#include <optional>

class Wizard {
public:
    Wizard() = default;
    ~Wizard();

    // What one run of the wizard hands to the next after a check: the form as it stood, where its
    // window was, and the import form's choice of where record warnings go.
    struct Kept {
        FormTexts texts;
        QRect geometry;
        bool warningsToLogOnly = false;
    };

    // The start-up of the main form (edition, settings, database list, proposed names) and its window;
    // with `kept`, the form then shows what it showed before. False when the program already ended (the
    // product is not installed, or start-up failed).
    bool Start(const QString& programPath, const Kept* kept = nullptr);
    // Shows the main form and runs until the program ends; returns the exit status.
    int Exec();

    // Ends the program with `status`: closes the window and leaves the event loop when it runs.
    void End(int status);
    bool ended() const { return ended_; }
    // After a check: what the next run starts with (nullopt: the program ends).
    const std::optional<Kept>& again() const { return again_; }
    int status() const { return status_; }
    // Closes the databases and the import log, as every way out of the program does.
    void CloseAll() noexcept;

    WidgetOperator op;
    RunState run{op};
    MainForm form{run};
    std::unique_ptr<MainWindow> window;

private:
    std::unique_ptr<QSocketNotifier> stopNotifier_;
    std::optional<Kept> again_;
    bool ended_ = false;
    bool looping_ = false;
    int status_ = 1;
};

// crew-import without arguments: the wizard on the screen, started anew after each check until the
// operator imports or leaves. Returns the exit status.
int RunWizard(int& argc, char** argv);
