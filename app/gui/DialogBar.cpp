#include "app/gui/DialogBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <initializer_list>

#include "app/CommandIds.h"
#include "app/gui/ToolIcons.h"

namespace {

// The tool buttons in their order on the bar, with their tool tips.
struct ToolButton {
    int id;
    const char* tip;
};
const ToolButton kToolButtons[] = {
    {cmd::kOpen, "Open"},         {cmd::kSave, "Save"},
    {cmd::kMenu, "Menu"},         {cmd::kCopy, "Copy"},
    {cmd::kPaste, "Paste"},       {cmd::kUndo, "Undo"},
    {cmd::kMultiMapEdit, "Multi Map Edit"}, {cmd::kMonitor, "Monitor"},
    {cmd::kItemSet, "Item set"},  {cmd::kDataExchange, "Data Exchange"},
    {cmd::kConstantsList, "Constants list"},
    {cmd::kOpen3DWindow, "3D"},
};

// The "&ALL" box shows the all-lines flag and changes only through the
// command (a map of one line puts it into its third state): a click must not
// step its state before the command has read it.
class CommandCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

}  // namespace

CDialogBar::CDialogBar(QWidget* parent) : QToolBar(parent) {
    setObjectName("dialogBar");
    setMovable(false);
    setFloatable(false);
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    for (const ToolButton& tool : kToolButtons) {
        auto* button = new QToolButton(panel);
        button->setObjectName(QString("button%1").arg(tool.id));
        button->setIcon(ToolIcon(tool.id));
        button->setIconSize(QSize(24, 24));
        button->setAutoRaise(true);
        button->setToolTip(tool.tip);
        const int id = tool.id;
        connect(button, &QToolButton::clicked, this, [this, id] { emit commandRequested(id); });
        layout->addWidget(button);
        buttons_[id] = button;
    }

    auto* mapLabel = new QLabel("La&bel", panel);
    mapSelector_ = new QComboBox(panel);
    mapSelector_->setObjectName("control1005");
    mapSelector_->setMinimumContentsLength(16);
    mapLabel->setBuddy(mapSelector_);
    auto* lineLabel = new QLabel("&Line", panel);
    lineSelector_ = new QComboBox(panel);
    lineSelector_->setObjectName("control1006");
    lineSelector_->setMinimumContentsLength(6);
    lineLabel->setBuddy(lineSelector_);
    allBox_ = new CommandCheckBox("&ALL", panel);
    allBox_->setObjectName("control1148");
    allBox_->setTristate(true);
    // Its mnemonic (Alt+A) and a click flip all lines; the keyboard stays in
    // the cell editor the user is typing in.
    allBox_->setFocusPolicy(Qt::NoFocus);
    auto* dataLabel = new QLabel("&Data", panel);
    dataField_ = new QLineEdit(panel);
    dataField_->setObjectName("control1008");
    dataField_->setMaxLength(8);
    dataField_->setFixedWidth(70);
    dataLabel->setBuddy(dataField_);
    okButton_ = new QPushButton("OK", panel);
    okButton_->setObjectName("control1");
    auto* pointLabel = new QLabel("Point", panel);
    pointField_ = new QLineEdit(panel);
    pointField_->setObjectName("control1007");
    pointField_->setReadOnly(true);
    pointField_->setFixedWidth(70);
    dataUnit_ = new QLabel(panel);
    dataUnit_->setObjectName("dataUnit");
    pointUnit_ = new QLabel(panel);
    pointUnit_->setObjectName("pointUnit");
    machineLabel_ = new QLabel("...", panel);
    machineLabel_->setObjectName("control1206");
    for (QWidget* w : std::initializer_list<QWidget*>{mapLabel, mapSelector_, lineLabel, lineSelector_, allBox_,
                                                      dataLabel, dataField_, dataUnit_, okButton_, pointLabel,
                                                      pointField_, pointUnit_, machineLabel_})
        layout->addWidget(w);
    layout->addStretch(1);
    addWidget(panel);
    documentControls_ = {allBox_, dataLabel, dataField_, dataUnit_, okButton_, pointLabel, pointField_, pointUnit_};
    ShowDocumentControls(false);

    connect(mapSelector_, qOverload<int>(&QComboBox::activated), this, &CDialogBar::mapActivated);
    connect(lineSelector_, qOverload<int>(&QComboBox::activated), this, &CDialogBar::lineActivated);
    connect(allBox_, &QCheckBox::clicked, this, [this] { emit commandRequested(cmd::kAllLines); });
    connect(okButton_, &QPushButton::clicked, this, [this] { emit commandRequested(cmd::kOk); });
}

QToolButton* CDialogBar::toolButton(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void CDialogBar::SetMachineName(const QString& name) { machineLabel_->setText(name); }
QString CDialogBar::MachineName() const { return machineLabel_->text(); }

void CDialogBar::ShowDocumentControls(bool shown) {
    for (QWidget* w : documentControls_) w->setVisible(shown);
}

void CDialogBar::Clear() {
    lineSelector_->clear();
    dataField_->clear();
    pointField_->clear();
    SetUnits(QString(), QString());
    allBox_->setCheckState(Qt::Unchecked);
}

void CDialogBar::SetUnits(const QString& dataUnit, const QString& pointUnit) {
    dataUnit_->setText(dataUnit);
    pointUnit_->setText(pointUnit);
}
