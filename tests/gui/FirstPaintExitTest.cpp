// Timing start-up from outside: "RV_Tune --first-paint-exit" opens the
// calibration of RV_TUNE_OPEN in three windows without the Menu dialog, ends
// after the main window's first paint and says so; the frame's open without
// the dialog, in the process.
#include <QProcess>
#include <QtTest>

#include <string>

#include "tests/gui/TestCalibration.h"

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run RunProgram(const testinstall::Install& install, const QStringList& arguments, const std::string& open) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("RV_TUNE_REGISTRY", QString::fromStdString(install.RegistryPath()));
    env.insert("TMPDIR", QString::fromStdString(install.TmpPath()));
    if (open.empty()) env.remove("RV_TUNE_OPEN");
    else env.insert("RV_TUNE_OPEN", QString::fromStdString(open));
    program.setProcessEnvironment(env);
    program.start(QString(RV_BIN_DIR "/RV_Tune"), arguments);
    Run run;
    if (!program.waitForStarted(5000) || !program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished(5000);
        return run;
    }
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}

}  // namespace

class FirstPaintExitTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstMapOpensInMapTableAndHexWindowsWithoutTheMenuDialog() {
        TestCalibration cal;
        cal.dialogs.menu = [](CMenuDlg&) -> int {
            qFatal("the Menu dialog ran");
            return 0;
        };
        QVERIFY(cal.frame->OpenDataFileOnFirstMap(cal.path));
        QCOMPARE(cal.app->dataFilePath, cal.path);
        QCOMPARE(cal.Map().name, std::string("Main"));
        QVERIFY(cal.ViewOfKind(kWindowMap));
        QVERIFY(cal.ViewOfKind(kWindowTable));
        QVERIFY(cal.ViewOfKind(kWindowHex));
        QCOMPARE(int(cal.frame->Views().size()), 3);
        QVERIFY(cal.prompt.shown.empty());
    }

    void aFileOfAnotherMachineOpensNothingAndSaysSo() {
        TestCalibration cal;
        const std::string other = cal.install.dir.Write("other.qsd", testinstall::CalibrationFile("XYZ99"));
        QVERIFY(!cal.frame->OpenDataFileOnFirstMap(other));
        QVERIFY(cal.frame->Views().empty());
        QVERIFY(cal.app->dataFilePath.empty());
        QCOMPARE(cal.prompt.shown.size(), std::size_t{1});
    }

    void theProgramEndsAfterItsFirstPaintWithTheCalibrationOpen() {
        testinstall::Install install;
        install.WriteRegistry(true);
        const std::string cal = install.dir.Write("cal.qsd", testinstall::CalibrationFile());
        const Run run = RunProgram(install, {"--first-paint-exit"}, cal);
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY2(run.out.startsWith("first paint after "), run.out.constData());
        bool number = false;
        const double ms = run.out.mid(18).split(' ').first().toDouble(&number);
        QVERIFY(number && ms > 0 && ms < 30000);
    }

    void aCalibrationThatDoesNotOpenEndsTheTimingRunWithAFailure() {
        testinstall::Install install;
        install.WriteRegistry(true);
        // The message box of the refusal needs an answer; nobody is there
        // to give it, so the run must not wait: it ends with status 1 and
        // says why.
        const Run missing = RunProgram(install, {"--first-paint-exit"}, install.dir.File("missing.qsd"));
        QCOMPARE(missing.status, 1);
        QVERIFY(!missing.out.contains("first paint"));
        QVERIFY(missing.err.contains("missing.qsd did not open"));
        QVERIFY(missing.err.contains("turned down"));
    }

    // A data file named alone on the command line is the one opened, before
    // RV_TUNE_OPEN; one that does not load ends the run as above.
    void theOneFileOnTheCommandLineIsTheCalibrationOpened() {
        testinstall::Install install;
        install.WriteRegistry(true);
        const std::string cal = install.dir.Write("my cal.qsd", testinstall::CalibrationFile());
        const std::string missing = install.dir.File("missing.qsd");
        const Run opened = RunProgram(install, {"--first-paint-exit", QString::fromStdString(cal)}, missing);
        QVERIFY2(opened.status == 0, opened.err.constData());
        QVERIFY2(opened.out.startsWith("first paint after "), opened.out.constData());
        const Run refused = RunProgram(install, {"--first-paint-exit", QString::fromStdString(missing)}, cal);
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains("missing.qsd did not open"));
    }

    void helpDocumentsTheOptionWithoutStartingAnything() {
        testinstall::Install install;
        const Run run = RunProgram(install, {"--help"}, "");
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("--first-paint-exit"));
        QVERIFY(run.out.contains("first paint after"));
        QVERIFY(run.err.isEmpty());
    }
};

QTEST_MAIN(FirstPaintExitTest)
#include "FirstPaintExitTest.moc"
