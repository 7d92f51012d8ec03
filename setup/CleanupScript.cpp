#include "setup/CleanupScript.h"

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    out += '\'';
    return out;
}

std::string CleanupScriptText(const std::string& installFolder, const std::string& setupName,
                              const std::string& scriptPath) {
    const std::string program = ShellQuote(installFolder + "/" + setupName);
    const std::string folder = ShellQuote(installFolder);
    std::string text = "#!/bin/sh\n";
    text += "if [ -f " + program + " ]; then rm -f -- " + program + "; fi\n";
    text += "if [ -d " + folder + " ]; then rmdir -- " + folder + "; fi\n";
    text += "echo 'Orvandel UnInstaller finished'\n";
    text += "echo 'Please close this window'\n";
    text += "rm -f -- " + ShellQuote(scriptPath);   // the last line, without a line end
    return text;
}
