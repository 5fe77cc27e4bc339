#pragma once
// The About box "About Crew Import": the program's title, its version and a logo.
#include <QDialog>

class QLabel;
class QPushButton;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr, int major = CREW_VERSION_MAJOR, int minor = CREW_VERSION_MINOR,
                         int revision = CREW_VERSION_PATCH);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* picLogo;
    QPushButton* cmdOK;
};
