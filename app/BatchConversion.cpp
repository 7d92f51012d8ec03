#include "app/BatchConversion.h"

#include "app/QelApp.h"
#include "model/Strings.h"
#include "files/DataFile.h"
#include "files/Export.h"
#include "platform/UserPrompt.h"

int RunBatchConversion(CQelApp& app, UserPrompt& prompt) {
    if (LoadDataFile(app, app, prompt, app.firstPart) != kLoaded) {
        prompt.Message(Str(str::kOpenFailed), text::kProgramTitle, PromptIcon::kExclamation);
        return 1;
    }
    if (!ExportCalibration(app, app.secondPart)) {
        prompt.Message(Str(str::kWriteFailed), text::kProgramTitle, PromptIcon::kExclamation);
        return 1;
    }
    return 0;
}
