#include "app/LaunchOptions.h"

const char* const kLaunchUsage =
    "Usage: RV_Tune [--first-paint-exit] [DATAFILE | IN OUT]\n"
    "\n"
    "Starts the calibration tool. With one file name it opens that data file\n"
    "once the main window shows, as File > Open would. With two file names it\n"
    "converts the data file IN into the export text OUT without showing a\n"
    "window.\n"
    "\n"
    "Options:\n"
    "  --first-paint-exit  end as soon as the main window has painted for the\n"
    "                      first time and print \"first paint after N ms\" (N\n"
    "                      counted from the start of main) on standard output;\n"
    "                      the start-up picture is not shown. With DATAFILE (or\n"
    "                      RV_TUNE_OPEN) the calibration opens on its first map\n"
    "                      in the map, table and HEX windows, without the Menu\n"
    "                      dialog, before the window shows. For timing start-up\n"
    "                      and memory (bench/run).\n"
    "  --help              this text\n"
    "  --                  what follows is a file name, even when it starts with -\n"
    "\n"
    "Environment:\n"
    "  RV_TUNE_OPEN=FILE      a data file to open once the main window shows,\n"
    "                         when the command line names none\n"
    "  RV_TUNE_REGISTRY=FILE  the registry file to use instead of the default\n"
    "  RV_TUNE_COM<n>=PATH    the device that COM<n> opens\n";

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == launch::kEndOfOptions) {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == launch::kHelp || argument == "-h")) {
            options.help = true;
        } else if (!optionsEnded && argument == launch::kFirstPaintExit) {
            options.firstPaintExit = true;
        } else {
            options.rest.push_back(argument);
        }
    }
    return options;
}
