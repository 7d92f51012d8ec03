#include "edit/gui/MultiMapDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/Calibration.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {
constexpr const char* kCaption = "Multi Map Edit";
}

CMultiMapDlg::CMultiMapDlg(Calibration& calibration, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), calibration_(calibration), prompt_(prompt) {
    setWindowTitle(kCaption);
    auto* grid = new QGridLayout;
    const std::vector<std::string> linkable = LinkableMaps(calibration.maps);
    const auto& list = calibration.mapLink.linkList;
    for (int i = 0; i < 4; ++i) {
        auto* combo = new QComboBox(this);
        combo->addItem(QString());   // no map
        for (const std::string& name : linkable) combo->addItem(QString::fromStdString(name));
        if (static_cast<std::size_t>(i) < list.size()) {
            const int at = combo->findText(QString::fromStdString(list[static_cast<std::size_t>(i)]));
            combo->setCurrentIndex(at > 0 ? at : 0);
        }
        combo->setEnabled(!calibration.mapLink.fixedLink);
        auto* label = new QLabel(QString("#&%1 Map").arg(i + 1), this);
        label->setBuddy(combo);
        grid->addWidget(label, i, 0);
        grid->addWidget(combo, i, 1);
        lists_[static_cast<std::size_t>(i)] = combo;
        connect(combo, &QComboBox::currentIndexChanged, this, &CMultiMapDlg::UpdateRules);
    }
    group_ = new QGroupBox("&Multi Edit Mode", this);
    allInOne_ = new QRadioButton("#1, #2, #3, #4", group_);
    twoGroups_ = new QRadioButton("#1, #4 / #2, #3", group_);
    auto* modes = new QVBoxLayout(group_);
    modes->addWidget(allInOne_);
    modes->addWidget(twoGroups_);
    (calibration.mapLinkState == kLinkTwoGroups ? twoGroups_ : allInOne_)->setChecked(true);

    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    individual_ = new QPushButton("&Individual Edit", this);
    individual_->setEnabled(calibration.mapLinkState != kLinkIndividual);
    connect(ok_, &QPushButton::clicked, this, &CMultiMapDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(individual_, &QPushButton::clicked, this, &CMultiMapDlg::OnIndividualEdit);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(individual_);
    buttons->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(group_);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left);
    main->addLayout(buttons);
    UpdateRules();
}

LinkChoice CMultiMapDlg::Choice() const {
    LinkChoice choice;
    for (std::size_t i = 0; i < 4; ++i) choice.names[i] = lists_[i]->currentText().toStdString();
    choice.mode = allInOne_->isChecked() ? kLinkAllInOne : twoGroups_->isChecked() ? kLinkTwoGroups : kLinkIndividual;
    return choice;
}

void CMultiMapDlg::UpdateRules() {
    const LinkChoice choice = Choice();
    const bool all = AllInOneAllowed(choice);
    const bool pairs = TwoGroupsAllowed(choice);
    allInOne_->setEnabled(all);
    twoGroups_->setEnabled(pairs);
    group_->setEnabled(all || pairs);
    ok_->setEnabled(all || pairs);
}

void CMultiMapDlg::Warn(int message) { prompt_.Message(Str(message), kCaption, PromptIcon::kExclamation); }

void CMultiMapDlg::accept() {
    const LinkChoice choice = Choice();
    if (const int message = CheckLinkChoice(calibration_.maps, choice); message != 0) {
        Warn(message);
        return;
    }
    if (choice.mode != kLinkIndividual && choice.mode != calibration_.mapLinkState &&
        prompt_.Ask(Str(str::kExecuteMapLink), kCaption, PromptButtons::kOkCancel, PromptIcon::kQuestion,
                    PromptAnswer::kOk) != PromptAnswer::kOk)
        return;
    calibration_.mapLinkState = choice.mode;
    std::vector<std::string> list;
    for (const std::string& name : choice.names)
        if (!name.empty()) list.push_back(name);
    // Without a link the list is empty, unless the definition fixes it.
    if (choice.mode == kLinkIndividual && !calibration_.mapLink.fixedLink) list.clear();
    calibration_.mapLink.linkList = std::move(list);
    QDialog::accept();
}

void CMultiMapDlg::OnIndividualEdit() {
    if (prompt_.Ask(Str(str::kCancelMapLink), kCaption, PromptButtons::kOkCancel, PromptIcon::kQuestion,
                    PromptAnswer::kOk) != PromptAnswer::kOk)
        return;
    // Both choices unchecked: OK then ends the link.
    allInOne_->setAutoExclusive(false);
    twoGroups_->setAutoExclusive(false);
    allInOne_->setChecked(false);
    twoGroups_->setChecked(false);
    allInOne_->setAutoExclusive(true);
    twoGroups_->setAutoExclusive(true);
    accept();
}
