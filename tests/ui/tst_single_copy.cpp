// Two real copies of the windows: the second is refused with its message and ends
// without showing a window or touching a file, or hands its file to the first; a lock left
// by a dead copy is taken over. The copies are the test driver, whose message boxes go to a
// log, and the shipped program where no box may show.
#include "support/temp_dir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QtTest>
#include <filesystem>

using namespace quantaline::test;

namespace {

const QString refusal =
    QStringLiteral("exclamation\tDoublon...\tQuantaline est déja en cours d'exécution !\n");

// What opening a file that cannot be read shows: the scan's box, then the header's.
QString unreadable_boxes() {
    return QStringLiteral("critical\timpossible de lire le fichier...\t");
}

QString q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// The program's folder content: names and sizes, to see that nothing was written.
QStringList folder_content(const std::filesystem::path& folder) {
    QStringList content;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        content << q(entry.path()) + " " +
                       QString::number(entry.is_regular_file() ? entry.file_size() : 0) + " " +
                       QString::number(entry.last_write_time().time_since_epoch().count());
    }
    content.sort();
    return content;
}

} // namespace

class SingleCopyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> runtime_;
    std::unique_ptr<TempDir> program_folder_;
    QString program_;
    QString shipped_;

    QProcessEnvironment environment(const QString& message_log) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", q(runtime_->path()));
        env.insert("HOME", q(runtime_->path()));
        env.insert("QUANTALINE_MESSAGE_LOG", message_log);
        return env;
    }

    static QString read(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Waits until the first copy holds the lock.
    bool wait_for_lock() const {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 60000) {
            if (QFile::exists(q(runtime_->path() / "quantaline.lock"))) {
                return true;
            }
            QTest::qWait(20);
        }
        return false;
    }

  private slots:
    void init() {
        runtime_ = std::make_unique<TempDir>();
        std::filesystem::permissions(runtime_->path(), std::filesystem::perms::owner_all);
        // A copy of the program in a folder of its own: the folder must stay as it was.
        program_folder_ = std::make_unique<TempDir>();
        program_ = q(program_folder_->path() / "quantaline");
        std::filesystem::copy_file(QUANTALINE_DRIVER, program_.toStdString());
        std::filesystem::permissions(program_.toStdString(), std::filesystem::perms::owner_all);
        shipped_ = q(program_folder_->path() / "quantaline-shipped");
        std::filesystem::copy_file(QUANTALINE_PROGRAM, shipped_.toStdString());
        std::filesystem::permissions(shipped_.toStdString(), std::filesystem::perms::owner_all);
    }

    // Starts the first copy and waits until it has finished its start-up.
    bool start_first(QProcess& first, const QStringList& arguments = {}) {
        first.setProcessEnvironment(environment(q(runtime_->path() / "first.log")));
        first.start(program_, arguments);
        if (!first.waitForStarted() || !wait_for_lock()) {
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        while (!std::filesystem::exists(program_folder_->file("quantaline.cfg"))) {
            if (timer.elapsed() > 60000) {
                return false;
            }
            QTest::qWait(20);
        }
        QTest::qWait(200);
        return true;
    }

    void second_copy_is_refused() {
        QProcess first;
        first.setProcessEnvironment(environment(q(runtime_->path() / "first.log")));
        first.start(program_, {});
        QVERIFY(first.waitForStarted());
        QVERIFY(wait_for_lock());
        // The first copy has finished its start-up once its configuration file is there.
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program_folder_->file("quantaline.cfg")),
                                 60000);
        QTest::qWait(200);
        const QStringList before = folder_content(program_folder_->path());

        QProcess second;
        second.setProcessEnvironment(environment(q(runtime_->path() / "second.log")));
        second.start(program_, {});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(read((runtime_->path() / "second.log").string()), refusal);
        QCOMPARE(folder_content(program_folder_->path()), before);

        // The running copy goes on, untouched.
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(read((runtime_->path() / "first.log").string()).isEmpty());
        first.kill();
        first.waitForFinished();
    }

    void file_is_handed_to_the_running_copy() {
        QProcess first;
        QVERIFY(start_first(first));
        const QString missing = q(runtime_->path() / "absent.mpg");
        // Without a display the shipped program could not even show a box: it must end by
        // itself, silently, having handed the file over.
        QProcess second;
        QProcessEnvironment env = environment(QString());
        env.remove("QUANTALINE_MESSAGE_LOG");
        second.setProcessEnvironment(env);
        second.start(shipped_, {missing});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            read((runtime_->path() / "first.log").string()).startsWith(unreadable_boxes()), 60000);
        const QString log = read((runtime_->path() / "first.log").string());
        QCOMPARE(log.count(unreadable_boxes()), 1);
        QVERIFY(!log.contains(QStringLiteral("Doublon")));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
    }

    void file_on_the_command_line_opens_at_once() {
        QProcess copy;
        // A relative name is the file in the folder the program was started from.
        copy.setWorkingDirectory(q(runtime_->path()));
        QVERIFY(start_first(copy, {QStringLiteral("absent.mpg")}));
        QTRY_VERIFY_WITH_TIMEOUT(
            read((runtime_->path() / "first.log").string()).startsWith(unreadable_boxes()), 60000);
        QCOMPARE(copy.state(), QProcess::Running);
        copy.kill();
        copy.waitForFinished();
    }

    void lock_of_a_dead_copy_is_taken_over() {
        // A lock file whose process has ended, as a crashed copy leaves it.
        QProcess gone;
        gone.start("true", {});
        QVERIFY(gone.waitForFinished());
        const qint64 dead_pid = gone.processId() != 0 ? gone.processId() : 999999;
        QFile lock(q(runtime_->path() / "quantaline.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(dead_pid) + "\nquantaline\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();

        QProcess copy;
        copy.setProcessEnvironment(environment(q(runtime_->path() / "copy.log")));
        copy.start(program_, {});
        QVERIFY(copy.waitForStarted());
        QVERIFY(!copy.waitForFinished(1500));
        QCOMPARE(copy.state(), QProcess::Running);
        QVERIFY(read((runtime_->path() / "copy.log").string()).isEmpty());
        copy.kill();
        copy.waitForFinished();
    }
};

QTEST_MAIN(SingleCopyTest)
#include "tst_single_copy.moc"
