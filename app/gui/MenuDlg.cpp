#include "app/gui/MenuDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/FrameModel.h"

#include "app/QelApp.h"
#include "model/Strings.h"
#include "platform/ProfileFile.h"

CMenuDlg::CMenuDlg(CQelApp& app, UserPrompt& prompt, MenuDlgHost& host, QWidget* parent)
    : QDialog(parent), app_(app), prompt_(prompt), host_(host) {
    setWindowTitle(text::kMenuDialogCaption);
    auto* layout = new QGridLayout(this);
    auto* groupLabel = new QLabel("&Menu", this);
    groups_ = new QListWidget(this);
    groups_->setObjectName("control1003");
    groupLabel->setBuddy(groups_);
    // The group list is hidden: only its first group is ever offered.
    groupLabel->hide();
    groups_->hide();
    auto* mapLabel = new QLabel("La&bel", this);
    maps_ = new QListWidget(this);
    maps_->setObjectName("control1001");
    mapLabel->setBuddy(maps_);
    constants_ = new QPushButton("&Constants list", this);
    exchange_ = new QPushButton("&Data Exchange", this);
    multiMap_ = new QPushButton("M&ulti Map Edit", this);
    exit_ = new QPushButton("E&xit", this);
    ok_ = new QPushButton("OK", this);
    cancel_ = new QPushButton("Cancel", this);
    ok_->setDefault(true);
    layout->addWidget(mapLabel, 0, 0);
    layout->addWidget(maps_, 1, 0, 6, 1);
    layout->addWidget(ok_, 1, 1);
    layout->addWidget(cancel_, 2, 1);
    layout->addWidget(constants_, 3, 1);
    layout->addWidget(exchange_, 4, 1);
    layout->addWidget(multiMap_, 5, 1);
    layout->addWidget(exit_, 6, 1);

    mapGroups_ = ReadMapGroups(ProfileFile(app.settingsFilePath), app.maps);
    for (const std::string& label : mapGroups_.labels) groups_->addItem(QString::fromStdString(label));
    if (!mapGroups_.labels.empty() && mapGroups_.labels.back() == mapGroups_.otherLabel) {
        groups_->setCurrentRow(0);
        FillMaps();
    }
    multiMap_->setEnabled(MultiMapEditAvailable(app.maps));

    connect(groups_, &QListWidget::currentRowChanged, this, [this] { FillMaps(); });
    connect(maps_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(ok_, &QPushButton::clicked, this, &CMenuDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CMenuDlg::reject);
    connect(constants_, &QPushButton::clicked, this, [this] { host_.ConstantsList(); });
    connect(exchange_, &QPushButton::clicked, this, [this] { host_.DataExchange(); });
    connect(multiMap_, &QPushButton::clicked, this, &CMenuDlg::OnMultiMapEdit);
    connect(exit_, &QPushButton::clicked, this, &CMenuDlg::OnExit);
}

void CMenuDlg::FillMaps() {
    maps_->clear();
    QListWidgetItem* group = groups_->currentItem();
    if (!group) return;
    for (const auto& [name, index] : MapsOfGroup(mapGroups_, app_.maps, group->text().toStdString())) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), maps_);
        item->setData(Qt::UserRole, index);
    }
}

void CMenuDlg::accept() {
    if (app_.mapLinkState != kLinkNone) {
        if (prompt_.Ask(Str(str::kClearMapLink), Str(str::kProductName), PromptButtons::kOkCancel,
                        PromptIcon::kQuestion, PromptAnswer::kOk) != PromptAnswer::kOk)
            return;
    }
    if (app_.mapLinkState != kLinkNone) {
        DropMapLink(app_);
        host_.RefillMapSelector();
    }
    QListWidgetItem* item = maps_->currentItem();
    if (groups_->currentRow() < 0 || item == nullptr) return;
    chosen_ = item->data(Qt::UserRole).toInt();
    QDialog::accept();
}

void CMenuDlg::OnMultiMapEdit() {
    if (!host_.MultiMapEdit()) return;
    chosen_ = static_cast<int>(app_.maps.size());
    const auto& list = app_.mapLink.linkList;
    for (std::size_t i = 0; !list.empty() && i < app_.maps.size(); ++i) {
        if (app_.maps[i]->name == list.front()) {
            chosen_ = static_cast<int>(i);
            break;
        }
    }
    QDialog::accept();
}

void CMenuDlg::OnExit() {
    if (prompt_.Ask(Str(str::kAreYouExit), Str(str::kCaptionMenu), PromptButtons::kOkCancel, PromptIcon::kQuestion,
                    PromptAnswer::kOk) != PromptAnswer::kOk)
        return;
    done(kExitCommand);
    host_.RequestClose();
}
