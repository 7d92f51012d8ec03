#include "ecu/gui/Rs232cDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/Strings.h"
#include "platform/UserPrompt.h"

CRs232cDlg::CRs232cDlg(Rs232cDialog& model, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), model_(model), prompt_(prompt) {
    setObjectName("rs232cDlg");
    setWindowTitle("RS232C Parameter");
    auto* layout = new QHBoxLayout(this);

    // The radio button ids of the dialog, each with its code.
    AddGroup(Rs232cGroup::kSpeed, "&Speed",
             {{"600", 1071}, {"1200", 1072}, {"2400", 1073}, {"4800", 1074}, {"9600", 1075}, {"19200", 1076}},
             {0, 1, 2, 3, 4, 5});
    AddGroup(Rs232cGroup::kBit, "&Bit", {{"7", 1077}, {"8", 1078}}, {0, 1});
    AddGroup(Rs232cGroup::kParity, "&Parity", {{"No", 1083}, {"Odd", 1081}, {"Even", 1080}}, {0, 1, 2});
    AddGroup(Rs232cGroup::kStop, "S&top", {{"1", 1084}, {"1.5", 1085}, {"2", 1086}}, {0, 1, 2});
    AddGroup(Rs232cGroup::kPort, "P&ort",
             {{"Port1", 1090}, {"Port2", 1091}, {"Port3", 1092}, {"Port4", 1093}, {"Port5", 1098}, {"Port6", 1099},
              {"Port7", 1100}, {"Port8", 1101}},
             {0, 1, 2, 3, 4, 5, 6, 7});
    for (Rs232cGroup which : {Rs232cGroup::kSpeed, Rs232cGroup::kBit, Rs232cGroup::kParity, Rs232cGroup::kStop,
                              Rs232cGroup::kPort})
        layout->addWidget(groups_[which]);

    auto* column = new QVBoxLayout;
    flow_ = new QCheckBox("&X Fllow", this);
    flow_->setObjectName("control1089");
    ok_ = new QPushButton("OK", this);
    cancel_ = new QPushButton("Cancel", this);
    default_ = new QPushButton("&Default", this);
    ok_->setObjectName("control1");
    cancel_->setObjectName("control2");
    default_->setObjectName("control3");
    ok_->setDefault(true);
    column->addWidget(flow_);
    column->addWidget(ok_);
    column->addWidget(cancel_);
    column->addWidget(default_);
    column->addStretch(1);
    layout->addLayout(column);

    Show(model_.choice);
    default_->setEnabled(model_.DefaultEnabled());
    // The line settings are fixed by the settings file: their groups, the
    // flow control and "&Default" are hidden, and the port group with OK
    // and Cancel moves up to the left edge; the dialog shrinks to fit.
    for (auto& [which, box] : groups_) {
        const bool shown = Rs232cDialog::Shown(which);
        box->setVisible(shown);
        box->setEnabled(shown);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{flow_, default_}) {
        w->setVisible(false);
        w->setEnabled(false);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for the caption in the title bar.
    groups_[Rs232cGroup::kPort]->setMinimumWidth(110);
    for (QPushButton* button : {ok_, cancel_}) button->setMinimumWidth(90);

    connect(ok_, &QPushButton::clicked, this, &CRs232cDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(default_, &QPushButton::clicked, this, [this] {
        model_.ApplyDefault();
        Show(model_.choice);
    });
}

QButtonGroup* CRs232cDlg::AddGroup(Rs232cGroup which, const char* title,
                                   const std::vector<std::pair<const char*, int>>& choices,
                                   const std::vector<int>& codes) {
    auto* box = new QGroupBox(title, this);
    auto* column = new QVBoxLayout(box);
    auto* buttons = new QButtonGroup(box);
    buttons->setExclusive(true);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        auto* radio = new QRadioButton(choices[i].first, box);
        radio->setObjectName(QString("control%1").arg(choices[i].second));
        buttons->addButton(radio, codes[i]);
        column->addWidget(radio);
        radios_[choices[i].second] = radio;
    }
    column->addStretch(1);
    groups_[which] = box;
    buttonGroups_[which] = buttons;
    return buttons;
}

QRadioButton* CRs232cDlg::radio(int id) const {
    auto it = radios_.find(id);
    return it == radios_.end() ? nullptr : it->second;
}

QGroupBox* CRs232cDlg::group(Rs232cGroup which) const {
    auto it = groups_.find(which);
    return it == groups_.end() ? nullptr : it->second;
}

void CRs232cDlg::Show(const SerialCodes& codes) {
    const std::pair<Rs232cGroup, int> settings[] = {{Rs232cGroup::kSpeed, codes.speed},
                                                    {Rs232cGroup::kBit, codes.dataBits},
                                                    {Rs232cGroup::kParity, codes.parity},
                                                    {Rs232cGroup::kStop, codes.stopBits},
                                                    {Rs232cGroup::kPort, codes.port}};
    for (const auto& [which, code] : settings) {
        QButtonGroup* buttons = buttonGroups_.at(which);
        // An exclusive group unchecks its last button only with exclusivity off.
        buttons->setExclusive(false);
        for (QAbstractButton* button : buttons->buttons()) button->setChecked(buttons->id(button) == code);
        buttons->setExclusive(true);
    }
    flow_->setChecked(codes.xonXoff == 1);
}

SerialCodes CRs232cDlg::Read() const {
    SerialCodes codes;
    codes.speed = buttonGroups_.at(Rs232cGroup::kSpeed)->checkedId();
    codes.dataBits = buttonGroups_.at(Rs232cGroup::kBit)->checkedId();
    codes.parity = buttonGroups_.at(Rs232cGroup::kParity)->checkedId();
    codes.stopBits = buttonGroups_.at(Rs232cGroup::kStop)->checkedId();
    codes.port = buttonGroups_.at(Rs232cGroup::kPort)->checkedId();
    codes.xonXoff = flow_->isChecked() ? 1 : 0;
    return codes;
}

void CRs232cDlg::accept() {
    model_.choice = Read();
    if (model_.Accept(result_) != 0) {
        // The message names what is missing; the caption names the dialog.
        prompt_.Message(Str(str::kAllParametersNotDefined), Str(str::kCaptionRs232c), PromptIcon::kExclamation);
        return;
    }
    QDialog::accept();
}
