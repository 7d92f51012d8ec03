#include "app/gui/AboutDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/Strings.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(text::kAboutCaption);
    std::string name = Str(str::kProductName);
    if (!Str(str::kFileStem).empty()) name += " (" + Str(str::kFileStem) + ")";
    name_ = new QLabel(QString::fromStdString(name), this);
    version_ = new QLabel(QString::fromStdString(Str(str::kVersion)), this);
    copyright_ = new QLabel(QString::fromStdString(Str(str::kCopyright)), this);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addWidget(version_);
    layout->addWidget(copyright_);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
