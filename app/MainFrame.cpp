#include "app/MainFrame.h"

#include <QLabel>
#include <QMdiArea>
#include <QToolBar>

#include "app/QelApp.h"
#include "app/Strings.h"

CMainFrame::CMainFrame(CQelApp& app, QWidget* parent) : QMainWindow(parent), app_(app) {
    setWindowTitle(text::kProgramTitle);
    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);
    auto* bar = new QToolBar(this);
    bar->setObjectName("dialogBar");
    bar->setMovable(false);
    machineLabel_ = new QLabel(bar);
    machineLabel_->setObjectName("control1206");
    bar->addWidget(machineLabel_);
    addToolBar(Qt::TopToolBarArea, bar);
    resize(800, 600);
}

void CMainFrame::SetMachineName(const QString& name) { machineLabel_->setText(name); }

QString CMainFrame::MachineName() const { return machineLabel_->text(); }
