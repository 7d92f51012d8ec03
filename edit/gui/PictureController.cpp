#include "edit/gui/PictureController.h"

#include <QBuffer>
#include <QByteArray>
#include <QPixmap>

#include "edit/PictureFile.h"
#include "platform/FileDialogRequest.h"
#include "edit/gui/ChildWnd.h"
#include "edit/gui/EditDialogs.h"
#include "model/Calibration.h"

namespace {

constexpr const char* kCaption = "Save picture";

const char* KindWord(int kind) {
    switch (kind) {
        case kWindowMap: return "map";
        case kWindowTable: return "table";
        case kWindowSurface: return "3D";
        default: return "";
    }
}

}  // namespace

PictureController::PictureController(const Calibration& calibration, const std::string& chosenFolder,
                                     const std::string& settingsFilePath, EditDialogs& dialogs, UserPrompt& prompt,
                                     QWidget* parent)
    : calibration_(calibration),
      chosenFolder_(chosenFolder),
      settingsFilePath_(settingsFilePath),
      dialogs_(dialogs),
      prompt_(prompt),
      parent_(parent) {}

bool PictureController::HasPicture(const CChildWnd* window) {
    return window && *KindWord(window->Kind()) != '\0';
}

bool PictureController::SavePicture(CChildWnd* window) {
    if (!HasPicture(window)) {
        prompt_.Message("There is no table, map or 3D window active to take a picture of.", kCaption,
                        PromptIcon::kStop);
        return false;
    }
    // The picture is taken before the file dialog covers anything.
    const QPixmap picture = window->grab();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
        prompt_.Message("The picture of the window could not be made.", kCaption, PromptIcon::kStop);
        return false;
    }

    FileDialogRequest request;
    request.save = true;
    request.title = "Save picture";
    request.folder = DialogStartFolder(chosenFolder_, calibration_.dataFilePath, settingsFilePath_);
    const std::string mapName = calibration_.currentMap ? calibration_.currentMap->name : std::string();
    request.proposedName = PictureFileName(calibration_.dataFileName, mapName, KindWord(window->Kind()));
    request.defaultExtension = "png";
    request.filters = {"PNG picture(*.png)"};
    const std::string path = dialogs_.AskFile(parent_, request);
    if (path.empty()) return false;

    std::string why;
    const PictureWrite result =
        WritePictureFile(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), why);
    if (result != PictureWrite::kWritten) {
        prompt_.Message(PictureWriteMessage(result, path, why), kCaption, PromptIcon::kStop);
        return false;
    }
    return true;
}
