#include "edit/gui/TitleDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "edit/TitleList.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"

namespace {

constexpr const char* kNotStorable = "A title cannot hold a comma, begin with \";\" or \"[\", or run over one line.";
constexpr int kTitleRole = Qt::UserRole;
constexpr int kDataRole = Qt::UserRole + 1;

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool IsUtf8(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// A title's bytes as text: UTF-8 when they are, else Latin-1, the single
// byte encoding older files were written in, so every byte shows as itself.
QString FromFileText(const std::string& bytes) {
    if (IsUtf8(bytes)) return Q(bytes);
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A typed field as bytes, in the encoding of the text it replaces when
// that was Latin-1 and every character fits, else UTF-8.
std::string ToFileText(const QString& text, const std::string& replaced) {
    if (!IsUtf8(replaced)) {
        bool fits = true;
        for (const QChar c : text) fits = fits && c.unicode() <= 0xFF;
        if (fits) return text.toLatin1().toStdString();
    }
    return text.toStdString();
}

// One line of the list: the title at 4 pixels, the data text at 140, in the
// highlight colours when selected.
class TitleLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const QPalette& palette = option.palette;
        if (selected) painter->fillRect(option.rect, palette.brush(QPalette::Highlight));
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect r = option.rect;
        const QRect title(r.left() + CTitleListBox::kTitleColumn, r.top(),
                          CTitleListBox::kDataColumn - CTitleListBox::kTitleColumn - 4, r.height());
        const QRect data(r.left() + CTitleListBox::kDataColumn, r.top(),
                         r.width() - CTitleListBox::kDataColumn, r.height());
        painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter, index.data(kTitleRole).toString());
        painter->drawText(data, Qt::AlignLeft | Qt::AlignVCenter, index.data(kDataRole).toString());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), option.fontMetrics.height() + 4);
    }
};

}  // namespace

CTitleEntryDlg::CTitleEntryDlg(const QString& caption, const std::string& title, const std::string& data,
                               int& modified, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), modified_(modified), prompt_(prompt), title_(title), data_(data) {
    setWindowTitle(caption);
    titleEdit_ = new QLineEdit(FromFileText(title), this);   // control 1157
    titleEdit_->setMaxLength(static_cast<int>(titles::kMaxLength));
    titleEdit_->setObjectName("title");
    dataEdit_ = new QLineEdit(FromFileText(data), this);      // control 1158
    dataEdit_->setMaxLength(static_cast<int>(titles::kMaxLength));
    dataEdit_->setObjectName("data");
    shownTitle_ = titleEdit_->text();   // as shown: a longer text is cut at the limit
    shownData_ = dataEdit_->text();
    titleEdit_->setMinimumWidth(320);
    auto* titleLabel = new QLabel("&Title", this);
    titleLabel->setBuddy(titleEdit_);
    auto* dataLabel = new QLabel("&Data", this);
    dataLabel->setBuddy(dataEdit_);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(titleLabel, 0, 0);
    layout->addWidget(titleEdit_, 0, 1);
    layout->addWidget(ok_, 0, 2);
    layout->addWidget(dataLabel, 1, 0);
    layout->addWidget(dataEdit_, 1, 1);
    layout->addWidget(cancel_, 1, 2);
    connect(ok_, &QPushButton::clicked, this, &CTitleEntryDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CTitleEntryDlg::reject);
}

void CTitleEntryDlg::accept() {
    // Only a field the user changed is taken from the edit; one left as shown
    // keeps the bytes it came with, uncut, untrimmed and not re-encoded.
    const bool titleKept = titleEdit_->text() == shownTitle_;
    const bool dataKept = dataEdit_->text() == shownData_;
    const std::string title =
        titleKept ? title_ : TrimTitleField(ToFileText(titleEdit_->text().left(int(titles::kMaxLength)), title_));
    const std::string data =
        dataKept ? data_ : TrimTitleField(ToFileText(dataEdit_->text().left(int(titles::kMaxLength)), data_));
    switch (CheckTitleEntry(title, data)) {
    case TitleEntryCheck::kEmptyTitle:
        return;   // the dialog stays open and nothing changes
    case TitleEntryCheck::kNotStorable:
        if (titleKept && dataKept) break;   // the pair as the file holds it, and keeps it
        prompt_.Message(kNotStorable, windowTitle().toStdString(), PromptIcon::kStop);
        titleEdit_->setFocus();
        return;
    case TitleEntryCheck::kOk:
        break;
    }
    title_ = title;
    data_ = data;
    modified_ = 1;
    QDialog::accept();
}

CTitleListBox::CTitleListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new TitleLineDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int CTitleListBox::LineHeight() const { return fontMetrics().height() + 4; }

void CTitleListBox::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Mid));
    const int h = LineHeight();
    const int offset = count() > 0 ? visualItemRect(item(0)).top() : 0;
    for (int y = offset + h - 1; y < viewport()->height(); y += h) {
        if (y >= 0) painter.drawLine(0, y, viewport()->width(), y);
    }
}

CTitleDlg::CTitleDlg(std::vector<std::string> titles, std::vector<int> pairLines, int& modified, UserPrompt& prompt,
                     bool storable, QWidget* parent)
    : QDialog(parent), titles_(std::move(titles)), pairLines_(std::move(pairLines)), modified_(modified),
      prompt_(prompt) {
    setWindowTitle("Title Editor");
    runEntry = [](CTitleEntryDlg& dialog) { return dialog.exec(); };
    list_ = new CTitleListBox(this);   // control 1159
    list_->setMinimumSize(380, 200);
    auto* label = new QLabel("&Title", this);
    label->setBuddy(list_);
    edit_ = new QPushButton("&Edit", this);
    delete_ = new QPushButton("&Delete", this);
    add_ = new QPushButton("&Add", this);
    add_->setEnabled(storable);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {edit_, delete_, add_}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(list_, 1, 0);
    layout->addLayout(buttons, 1, 1);
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const bool any = !list_->selectedItems().isEmpty();
        edit_->setEnabled(any);
        delete_->setEnabled(any);
    });
    connect(add_, &QPushButton::clicked, this, &CTitleDlg::OnAdd);
    connect(edit_, &QPushButton::clicked, this, &CTitleDlg::OnEdit);
    connect(delete_, &QPushButton::clicked, this, &CTitleDlg::OnDelete);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    Fill();
}

void CTitleDlg::Fill() {
    list_->clear();
    for (int i = 0; i < TitlePairCount(titles_); ++i) {
        auto* line = new QListWidgetItem(list_);
        line->setData(kTitleRole, FromFileText(TitleOf(titles_, i)));
        line->setData(kDataRole, FromFileText(TitleDataOf(titles_, i)));
        line->setText(FromFileText(TitleOf(titles_, i)));   // for keyboard search; the delegate draws the line
    }
    list_->setCurrentRow(-1);
    list_->clearSelection();
    edit_->setEnabled(false);
    delete_->setEnabled(false);
}

void CTitleDlg::OnAdd() {
    CTitleEntryDlg entry(Q(Str(str::kCaptionAddTitle)), "", "", modified_, prompt_, this);
    if (runEntry(entry) != QDialog::Accepted) return;
    AddTitle(titles_, entry.Title(), entry.Data(), &pairLines_);
    Fill();
}

void CTitleDlg::OnEdit() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    const int pair = list_->row(selected.front());
    CTitleEntryDlg entry(Q(Str(str::kCaptionEditTitle)), TitleOf(titles_, pair), TitleDataOf(titles_, pair),
                         modified_, prompt_, this);
    if (runEntry(entry) != QDialog::Accepted) return;
    ReplaceTitle(titles_, pair, entry.Title(), entry.Data());
    Fill();
}

void CTitleDlg::OnDelete() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    DeleteTitle(titles_, list_->row(selected.front()), &pairLines_);
    modified_ = 1;   // so that closing the calibration asks to save
    Fill();
}
