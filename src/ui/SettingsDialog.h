#pragma once
// The directory chooser "Import to directory": a drive list and a directory tree. On Linux the drives
// are the file system's root and the mount points of real file systems (disks, removable media,
// network shares); a directory belongs to the deepest mount point that holds it.
#include <QDialog>
#include <QStringList>

class Operator;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTimer;
class QTreeView;

// The drives offered: "/" first, then the mount points of real file systems, sorted.
QStringList DriveList();
// The drive of `path`: the deepest entry of `drives` that holds it ("/" when none does).
QString DriveOf(const QString& path, const QStringList& drives);
// The directory itself when it exists, else its nearest parent that does ("/" at the last).
QString NearestExistingDirectory(const QString& path);

// A selected directory that does not exist: reported (one the operator typed), or passed over in
// silence (one the wizard proposed and the import will make).
enum class MissingDirectory { Report, Quiet };

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `targetDir` is the main form's selected directory. A directory that does not exist is reported
    // (number and description) unless `missing` is Quiet, and the lists open on its nearest parent
    // that exists.
    SettingsDialog(Operator& op, const QString& targetDir, QWidget* parent = nullptr,
                   const QStringList& drives = DriveList(), MissingDirectory missing = MissingDirectory::Report);

    // The directory list's path: what OK puts into the selected directory.
    QString DirectoryPath() const { return path_; }
    void SetDirectoryPath(const QString& path);
    void SetDrive(const QString& drive);

    QComboBox* drvHistPath;
    QTreeView* dirHistData;
    QLabel* lblPath;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DriveChanged(int index);
    // Scrolls the directory list to its selection.
    void ShowSelected();

    QFileSystemModel* model_;
    QString path_;
    QTimer* follow_;
    bool following_ = true;  // the list keeps its selection in view until the operator uses it
};
