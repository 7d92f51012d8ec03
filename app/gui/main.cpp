// RV_Tune: builds the host services and hands over to the application object.
#include <QApplication>

#include <clocale>
#include <QFontDatabase>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/HeadlessHost.h"
#include "app/LaunchOptions.h"
#include "app/gui/CachedIconStyle.h"
#include "app/gui/FirstPaintExit.h"
#include "app/gui/MainFrame.h"
#include "app/QelApp.h"
#include "app/gui/QtHost.h"
#include "app/gui/SplashWnd.h"
#include "app/Splash.h"
#include "app/BatchConversion.h"
#include "platform/PathSearch.h"

namespace {

bool HasDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

AppOptions OptionsFromArguments(const char* program, const std::vector<std::string>& rest) {
    AppOptions options;
    std::string exe = FileNamePart(program != nullptr ? program : "RV_Tune");
    if (!exe.empty()) options.exeName = exe;
    for (const std::string& argument : rest) {
        if (!options.commandLine.empty()) options.commandLine += ' ';
        options.commandLine += argument;
        options.arguments.push_back(argument);
    }
    return options;
}

// The calibration to open once the main window shows: the data file named
// alone on the command line, else $RV_TUNE_OPEN (the demo names its standard
// data file there). Empty: none.
std::string FileToOpen(const CQelApp& app) {
    if (!app.openAtStart.empty()) return app.openAtStart;
    const char* open = std::getenv("RV_TUNE_OPEN");
    return open != nullptr ? open : "";
}

// Without a display nobody could answer a message box, so start-up runs with
// the headless host and its messages go to stderr.
int RunHeadless(AppOptions options) {
    options.largeScreen = true;
    CQelApp app(options);
    HeadlessHost host;
    if (!app.InitInstance(host)) return app.ExitInstance();
    int status = 0;
    if (host.batchPosted) {
        status = RunBatchConversion(app, host.Prompt());
    } else {
        std::fprintf(stderr, "%s: no display; start-up finished, nothing to show.\n",
                     app.exeName.c_str());
    }
    app.ExitInstance();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    // A file over the size limit (ulimit -f) is a failed save with its
    // message, not a death by signal that takes the unsaved edits with it.
    std::signal(SIGXFSZ, SIG_IGN);
    const LaunchOptions launch = ParseLaunchOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (launch.help) {
        std::fputs(kLaunchUsage, stdout);
        return 0;
    }
    AppOptions options = OptionsFromArguments(argc > 0 ? argv[0] : nullptr, launch.rest);
    if (!HasDisplay()) return RunHeadless(options);

    QApplication qapp(argc, argv);
    // QApplication takes the user's locale for the C library too; numbers in
    // files, the datalog, exports and the windows' texts are written and
    // read with "." whatever the language (Qt's own formatting is not
    // affected by this).
    std::setlocale(LC_NUMERIC, "C");
    // Over the style chosen for the platform (or by -style), which it takes on.
    qapp.setStyle(new CachedIconStyle(QStyleFactory::create(qapp.style()->name())));
    // Reading the system's font list and configuration takes milliseconds
    // that the first window with text would otherwise wait for; a second
    // thread does it while the settings, the definition and the main frame
    // are made. The font database serialises its users, so a window that
    // needs a font first simply waits for the rest of it. Done before the
    // application object goes.
    std::thread fontList([] { QFontDatabase::families(); });
    struct JoinAtEnd {
        std::thread& thread;
        ~JoinAtEnd() { thread.join(); }
    } joinFontList{fontList};
    QPalette palette = qapp.palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::WindowText, Qt::black);
    qapp.setPalette(palette);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QSize size = screen->size();
        options.largeScreen = size.width() >= 800 || size.height() >= 600;
    }
    CQelApp app(options);
    QtHost host;
    // Watching from before the start-up steps, so that none of their
    // dialogs can hold a timing run.
    std::unique_ptr<FirstPaintExit> watcher;
    if (launch.firstPaintExit) watcher = std::make_unique<FirstPaintExit>(nullptr, started);
    if (!app.InitInstance(host)) {
        const int exitStatus = app.ExitInstance();
        return launch.firstPaintExit ? 1 : exitStatus;
    }

    CMainFrame* frame = host.mainFrame();
    if (host.batchPosted) {
        // The command-line conversion: no window is ever shown, its messages
        // go to stderr for the script that started it, and the program ends
        // whatever the outcome.
        HeadlessPrompt stderrPrompt;
        const int batchStatus = RunBatchConversion(app, stderrPrompt);
        frame->close();
        app.ExitInstance();
        return batchStatus;
    }
    if (launch.firstPaintExit) {
        // Start-up timing: the calibration (if any) is open in its windows
        // before the main window first shows, and no start-up picture waits.
        watcher->SetWindow(frame);
        const std::string open = FileToOpen(app);
        if (!open.empty() && !frame->OpenDataFileOnFirstMap(open)) {
            std::fprintf(stderr, "%s: %s did not open\n", app.exeName.c_str(), open.c_str());
            app.ExitInstance();
            return 1;
        }
        frame->showMaximized();
        const int status = qapp.exec();
        const int exitStatus = app.ExitInstance();
        return status != 0 ? status : exitStatus;
    }
    // The main frame stays hidden while the start-up picture shows.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const SplashPlan plan = PlanSplash(QCoreApplication::applicationFilePath().toStdString(),
                                       screen ? screen->depth() : 24, app.registryStore());
    CSplashWnd* splash = ShowSplashThenMainWindow(plan, frame);
    // Through the Open command's own path, so a file that does not load gets
    // its message over the main window.
    if (const std::string path = FileToOpen(app); !path.empty()) {
        auto openFile = [frame, path] { frame->OpenDataFile(path); };
        if (splash != nullptr) QObject::connect(splash, &QObject::destroyed, frame, openFile);
        else QTimer::singleShot(0, frame, openFile);
    }
    int status = qapp.exec();
    int exitStatus = app.ExitInstance();
    return status != 0 ? status : exitStatus;
}
