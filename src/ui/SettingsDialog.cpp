#include "ui/SettingsDialog.h"

#include "run/Operator.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// File systems that hold no place for a database: the kernel's own, the container's plumbing, and
// memory-backed ones whose contents are gone after a restart.
bool IsRealFileSystem(const QStorageInfo& volume)
{
    static const QStringList pseudo = {"proc",     "sysfs",   "devpts",   "devtmpfs",  "cgroup",     "cgroup2",
                                       "securityfs", "debugfs", "tracefs", "pstore",   "mqueue",     "hugetlbfs",
                                       "bpf",      "configfs", "fusectl", "binfmt_misc", "autofs",   "efivarfs",
                                       "rpc_pipefs", "nsfs",    "ramfs",   "squashfs",    "tmpfs"};
    const QString type = QString::fromLatin1(volume.fileSystemType());
    if (pseudo.contains(type))
        return false;
    const QString root = volume.rootPath();
    for (const char* system : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"})
        if (root == QLatin1String(system) || root.startsWith(QLatin1String(system) + QLatin1Char('/')))
            return root.startsWith(QLatin1String("/run/media/"));  // removable media mount there
    return volume.isValid() && volume.isReady();
}

}  // namespace

QStringList DriveList()
{
    QStringList drives{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (IsRealFileSystem(volume) && !drives.contains(volume.rootPath()))
            drives << volume.rootPath();
    std::sort(drives.begin() + 1, drives.end());
    return drives;
}

QString DriveOf(const QString& path, const QStringList& drives)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    QString best = QStringLiteral("/");
    for (const QString& drive : drives) {
        const bool holds = drive == QLatin1String("/") || clean == drive || clean.startsWith(drive + QLatin1Char('/'));
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
}

QString NearestExistingDirectory(const QString& path)
{
    QString dir = QDir::cleanPath(QDir(path).absolutePath());
    while (!QFileInfo(dir).isDir()) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (parent == dir)
            return QStringLiteral("/");
        dir = parent;
    }
    return dir;
}

SettingsDialog::SettingsDialog(Operator& op, const QString& targetDir, QWidget* parent, const QStringList& drives,
                               MissingDirectory missing)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Import to directory"));
    setModal(true);

    auto* heading = new QLabel(QStringLiteral("Select a directory where you want to store imported databases"));

    drvHistPath = new QComboBox;
    drvHistPath->setObjectName(QStringLiteral("drvHistPath"));
    drvHistPath->addItems(drives);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QStringLiteral("/"));
    dirHistData = new QTreeView;
    dirHistData->setObjectName(QStringLiteral("dirHistData"));
    dirHistData->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        dirHistData->hideColumn(column);
    dirHistData->setHeaderHidden(true);
    dirHistData->setMinimumSize(360, 300);

    lblPath = new QLabel;
    lblPath->setObjectName(QStringLiteral("lblPath"));
    lblPath->setTextFormat(Qt::PlainText);
    lblPath->setWordWrap(true);

    btnOK = new QPushButton(QStringLiteral("OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(drvHistPath);
    layout->addWidget(dirHistData, 1);
    layout->addWidget(lblPath);
    layout->addLayout(buttons);

    connect(drvHistPath, &QComboBox::currentIndexChanged, this, &SettingsDialog::DriveChanged);
    connect(dirHistData->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    path_ = model_->filePath(current);
                    lblPath->setText(path_);
                    btnOK->setEnabled(true);
                }
            });

    // The folders are read in the background: as those above the selection arrive and are sorted,
    // rows appear above it and push it down. Until the operator takes the list in hand, the
    // selection is brought back into view each time.
    follow_ = new QTimer(this);
    follow_->setSingleShot(true);
    follow_->setInterval(0);
    connect(follow_, &QTimer::timeout, this, &SettingsDialog::ShowSelected);
    const auto follow = [this] {
        if (following_)
            follow_->start();
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this, follow);
    connect(model_, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model_, &QAbstractItemModel::layoutChanged, this, follow);
    for (QObject* part : std::initializer_list<QObject*>{dirHistData, dirHistData->viewport(),
                                                         dirHistData->verticalScrollBar()})
        part->installEventFilter(this);

    // Load: the selected directory when there is one (its nearest parent that exists when it does
    // not), else the root.
    if (!targetDir.isEmpty()) {
        if (!QFileInfo(targetDir).isDir() && missing == MissingDirectory::Report)
            op.MsgBox(QString::number(76) + " " + "Path not found: '" + targetDir + "'");
        const QString dir = NearestExistingDirectory(targetDir);
        SetDrive(DriveOf(dir, drives));
        SetDirectoryPath(dir);
    } else {
        SetDrive(drives.value(0, QStringLiteral("/")));
        SetDirectoryPath(drives.value(0, QStringLiteral("/")));
    }
    dirHistData->setFocus();  // the arrow keys move through the folders at once
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ShowSelected();  // the list has its size now
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        following_ = false;  // the list is where the operator puts it
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::ShowSelected()
{
    const QModelIndex current = dirHistData->currentIndex();
    if (current.isValid())
        dirHistData->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void SettingsDialog::SetDrive(const QString& drive)
{
    const int index = drvHistPath->findText(drive);
    if (index >= 0 && index != drvHistPath->currentIndex())
        drvHistPath->setCurrentIndex(index);  // moves the directory list to the drive
    else if (index >= 0)
        DriveChanged(index);
}

void SettingsDialog::DriveChanged(int index)
{
    if (index >= 0)
        SetDirectoryPath(drvHistPath->itemText(index));
}

void SettingsDialog::SetDirectoryPath(const QString& path)
{
    path_ = path;
    following_ = true;
    lblPath->setText(path);
    const QModelIndex index = model_->index(path);
    if (index.isValid()) {
        dirHistData->setCurrentIndex(index);
        dirHistData->expand(index);
        dirHistData->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}
