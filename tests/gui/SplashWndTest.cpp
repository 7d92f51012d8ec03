// Start-up as RV_Tune runs it: the main frame stays hidden while the
// picture beside the program shows, centred and borderless, for its display
// time; then the splash closes and the main window shows maximised. A
// missing or hostile picture gives no splash and the main window at once.
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/QelApp.h"
#include "app/Splash.h"
#include "app/gui/MainFrame.h"
#include "app/gui/QtHost.h"
#include "app/gui/SplashWnd.h"
#include "tests/files/TestInstall.h"

namespace {

std::string Shipped(const char* name) { return std::string(RV_SOURCE_DIR) + "/app/gui/splash/" + name; }

int Depth() { return QGuiApplication::primaryScreen()->depth(); }

// A started application on the test machine, as main starts it, with the
// program file "installed" in a folder of the test.
struct Started {
    testinstall::Install install;
    testinstall::EnvOverride tmp{"TMPDIR", install.TmpPath()};
    std::unique_ptr<CQelApp> app;
    QtHost host;
    std::string exe;

    explicit Started(const std::string& registryExtra) {
        install.WriteRegistry(true, registryExtra);
        AppOptions options;
        options.registryPath = install.RegistryPath();
        app = std::make_unique<CQelApp>(options);
        if (!app->InitInstance(host)) qFatal("start-up failed");
        exe = install.dir.File("RV_Tune");
    }
    ~Started() { app->ExitInstance(); }
    std::string Picture() const { return SplashPictureName(exe, Depth()); }
    CSplashWnd* Start() { return ShowSplashThenMainWindow(PlanSplash(exe, Depth(), app->registryStore()), host.mainFrame()); }
};

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class SplashWndTest : public QObject {
    Q_OBJECT

private slots:
    void thePictureShowsCentredThenTheMainWindowMaximised() {
        Started s("\"ShowSplashTime\"=dword:0000012c\n");   // 300 ms
        std::filesystem::copy_file(Shipped(Depth() < 16 ? "RV_Tune.bmp" : "RV_TuneFc.bmp"), s.Picture());
        CMainFrame* frame = s.host.mainFrame();
        QVERIFY(!frame->isVisible());   // hidden after start-up
        QElapsedTimer clock;
        clock.start();
        QPointer<CSplashWnd> splash = s.Start();
        QVERIFY(splash);
        QVERIFY(QTest::qWaitForWindowExposed(splash.data()));
        QCOMPARE(splash->size(), QSize(320, 160));
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect at = splash->geometry();
        QCOMPARE(at.left() - screen.left(), screen.right() - at.right());   // as much room left as right
        QCOMPARE(at.top() - screen.top(), screen.bottom() - at.bottom());
        QCOMPARE(splash->picture().pixel(0, 0), qRgb(230, 120, 20));   // the picture's frame
        QCOMPARE(splash->timer()->interval(), 300);
        QVERIFY(!frame->isVisible());
        // Keys and clicks do not end it early.
        QTest::keyClick(splash.data(), Qt::Key_Escape);
        QTest::mouseClick(splash.data(), Qt::LeftButton);
        QVERIFY(splash && splash->isVisible());
        QVERIFY(!frame->isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
        QVERIFY(clock.elapsed() >= 290);
        QVERIFY(frame->isVisible());
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
    }

    void aLongDisplayTimeIsCutToTenSeconds() {
        Started s("\"ShowSplashTime\"=dword:00004e20\n");   // 20000
        std::filesystem::copy_file(Shipped("RV_TuneFc.bmp"), s.Picture());
        QPointer<CSplashWnd> splash = s.Start();
        QVERIFY(splash);
        QCOMPARE(splash->timer()->interval(), 10000);
        QVERIFY(splash->timer()->isActive());
        QVERIFY(!s.host.mainFrame()->isVisible());
        splash->timer()->setInterval(0);   // no need to wait the ten seconds out
        splash->timer()->start();
        QTRY_VERIFY(splash.isNull());
        QVERIFY(s.host.mainFrame()->isMaximized());
    }

    void hostileOrMissingPicturesShowTheMainWindowAtOnce() {
        const std::string good = Bytes(Shipped("RV_TuneFc.bmp"));
        auto patched = [&](std::size_t at, std::uint32_t value) {
            std::string b = good;
            for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
            return b;
        };
        const std::pair<const char*, std::string> cases[] = {
            {"missing", ""},
            {"cut short", good.substr(0, good.size() / 2)},
            {"not BM", "XM" + good.substr(2)},
            {"huge dimensions", patched(18, 0x7FFFFFFF)},
            {"huge height", patched(22, 0x40000000)},
            {"colour table past the end", patched(46, 0x00FFFFFF)},
            {"pixels past the end", patched(10, static_cast<std::uint32_t>(good.size()))},
            {"header only", good.substr(0, 54)},
        };
        for (const auto& [why, bytes] : cases) {
            Started s("\"ShowSplashTime\"=dword:00002710\n");
            if (std::string(why) != "missing") s.install.dir.Write("RV_Tune" + std::string(Depth() < 16 ? ".bmp" : "Fc.bmp"), bytes);
            CSplashWnd* splash = s.Start();
            QVERIFY2(splash == nullptr, why);
            QVERIFY2(s.host.mainFrame()->isVisible(), why);
            QVERIFY2(s.host.mainFrame()->isMaximized(), why);
        }
    }

    // The program itself with a hostile picture beside it: it starts and
    // keeps running (a crash would end it at once).
    void theProgramRunsWithAHostilePictureBesideIt() {
        testinstall::Install install;
        const std::string exe = install.dir.File("RV_Tune");
        std::filesystem::copy_file(std::string(RV_BIN_DIR) + "/RV_Tune", exe);
        std::string bad = Bytes(Shipped("RV_TuneFc.bmp")).substr(0, 1000);
        install.dir.Write("RV_TuneFc.bmp", bad);
        install.dir.Write("RV_Tune.bmp", "BM" + std::string(60, '\xff'));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("RV_TUNE_REGISTRY", QString::fromStdString(install.RegistryPath()));
        env.insert("TMPDIR", QString::fromStdString(install.TmpPath()));
        program.setProcessEnvironment(env);
        program.start(QString::fromStdString(exe), {});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(!program.waitForFinished(1500));   // still running
        QCOMPARE(program.state(), QProcess::Running);
        // Start-up went through to the end (the definition is expanded),
        // so the picture was read and refused, and nothing was written to stderr.
        QVERIFY(std::filesystem::exists(install.TmpPath() + "/mzost0.tmp"));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(!errors.contains("rror") && !errors.contains("anitizer"), errors.constData());
        program.kill();
        program.waitForFinished(5000);
    }
};

QTEST_MAIN(SplashWndTest)
#include "SplashWndTest.moc"
