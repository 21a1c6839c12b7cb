#include "mainwindow/Unit1.h"
#include "mainwindow/instance_folders.h"

#include "gui_test_main.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qm;

namespace {

void MakeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

std::string Std(const QString& text) {
    return text.toStdString();
}

// Holds the lock of slot `slot` as a running program does, until destroyed.
class RunningProgram {
public:
    RunningProgram(const QString& data, int slot) {
        QDir().mkpath(data + "/QMK");
        fd_ = open(QFile::encodeName(data + QString("/QMK/instance-%1.lock").arg(slot)).constData(),
                   O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        flock(fd_, LOCK_EX);
    }
    ~RunningProgram() { close(fd_); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

private:
    int fd_;
};

} // namespace

class WorkingFoldersTest final : public QObject {
    Q_OBJECT

    QString data_;

private slots:
    void init() { data_ = test::FreshDataHome(); }

    void slotsAreTakenInTurn() {
        InstanceFolders first(Std(data_));
        InstanceFolders second(Std(data_));
        QVERIFY(!QDir(data_ + "/QMK").exists());
        QCOMPARE(QString::fromStdString(first.Folders().tempDir), data_ + "/QMK/tempDir");
        QCOMPARE(QString::fromStdString(first.Claim().tempDir), data_ + "/QMK/tempDir");
        const WorkingFolders other = second.Claim();
        QCOMPARE(QString::fromStdString(other.tempDir), data_ + "/QMK/tempDir-2");
        QCOMPARE(QString::fromStdString(other.tempJPG), data_ + "/QMK/tempJPG-2");
        QCOMPARE(QString::fromStdString(first.Claim().tempDir), data_ + "/QMK/tempDir");
    }

    // Folders of a slot that a running program holds stay; those of ended programs go, whatever their slot.
    void onlyFoldersOfEndedProgramsGo() {
        for (const char* folder : {"tempDir/a", "tempJPG/b", "tempDir-2/c", "tempJPG-3/d", "tempDir-x/e", "keep/f"}) {
            MakeFile(data_ + "/QMK/" + folder);
        }
        {
            RunningProgram running(data_, 2);
            InstanceFolders self(Std(data_));
            self.DeleteFoldersOfEndedPrograms();
            QVERIFY(!QDir(data_ + "/QMK/tempDir").exists());
            QVERIFY(!QDir(data_ + "/QMK/tempJPG").exists());
            QVERIFY(!QDir(data_ + "/QMK/tempJPG-3").exists());
            QVERIFY(QFile::exists(data_ + "/QMK/tempDir-2/c"));
            QVERIFY(QFile::exists(data_ + "/QMK/tempDir-x/e"));
            QVERIFY(QFile::exists(data_ + "/QMK/keep/f"));
        }
        InstanceFolders self(Std(data_));
        self.DeleteFoldersOfEndedPrograms();
        QVERIFY(!QDir(data_ + "/QMK/tempDir-2").exists());
    }

    void startAndEndWithoutABookCreatesNothing() {
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        delete new TForm1(dialogs, shell);
        QVERIFY(!QDir(data_ + "/QMK").exists());
    }

    // Folders left by an earlier run go at the end; the program folder stays.
    void leftoversGoAtTheEnd() {
        MakeFile(data_ + "/QMK/tempDir/OEBPS/toc.ncx");
        MakeFile(data_ + "/QMK/tempJPG/1_W.jpg");
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        delete new TForm1(dialogs, shell);
        QVERIFY(QDir(data_ + "/QMK").exists());
        QVERIFY(!QDir(data_ + "/QMK/tempDir").exists());
        QVERIFY(!QDir(data_ + "/QMK/tempJPG").exists());
    }

    // A window that has not opened a book holds no slot, so it never deletes a running program's folders.
    void aWindowWithoutABookLeavesOthersAlone() {
        MakeFile(data_ + "/QMK/tempDir/OEBPS/toc.ncx");
        RunningProgram running(data_, 1);
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        delete new TForm1(dialogs, shell);
        QVERIFY(QFile::exists(data_ + "/QMK/tempDir/OEBPS/toc.ncx"));
    }
};

QM_GUI_TEST_MAIN(WorkingFoldersTest)
#include "working_folders_test.moc"
