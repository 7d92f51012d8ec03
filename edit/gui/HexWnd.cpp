#include "edit/gui/HexWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>

#include "app/QelApp.h"
#include "edit/HexBlock.h"
#include "model/Strings.h"
#include "platform/UserPrompt.h"
#include "edit/gui/TableWnd.h"

namespace {

const QColor kLightGrey(192, 192, 192);

// Paints and takes the mouse for the HEX window.
class HexArea : public QAbstractScrollArea {
public:
    explicit HexArea(CHexWnd& owner) : QAbstractScrollArea(&owner), owner_(owner) {
        setObjectName("hexArea");
        setFrameShape(QFrame::NoFrame);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(viewport());
        owner_.PaintBytes(painter);
    }
    void mousePressEvent(QMouseEvent* event) override { owner_.Pressed(event->position().toPoint()); }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        owner_.UpdateScrollRanges();
    }
    void scrollContentsBy(int, int) override { owner_.Scrolled(); }

private:
    CHexWnd& owner_;
};

}  // namespace

CHexWnd::CHexWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent)
    : CChildWnd(app, prompt, services, parent) {
    setObjectName("hexWnd");
    font_ = QFont("Courier");
    font_.setStyleHint(QFont::Monospace);
    font_.setPixelSize(std::max(app.registry.tableFontSize, 6));
    const QFontMetrics metrics(font_);
    cellWidth_ = metrics.horizontalAdvance("00") + 10;
    cellHeight_ = metrics.height() + 4;
    area_ = new HexArea(*this);
    editor_ = new QLineEdit(area_->viewport());
    editor_->setObjectName("hexEditor");
    editor_->setFont(font_);
    editor_->setFrame(false);
    // No length limit: a third digit typed must not be cut off silently
    // ("1FF" is no byte, and is refused as a whole when committed).
    editor_->hide();
    // Every paste goes through Paste(), which takes one hex byte only: the
    // edit control's own menu would bypass it.
    editor_->setContextMenuPolicy(Qt::NoContextMenu);
    editor_->installEventFilter(this);
    ResetForMap();
}

HexBlock CHexWnd::Block() const {
    return app_.currentMap ? HexBlockOf(*app_.currentMap, app_.definitionKind) : HexBlock{};
}

void CHexWnd::ResetForMap() {
    editAddress_ = -1;
    editor_->hide();
    area_->horizontalScrollBar()->setValue(0);
    area_->verticalScrollBar()->setValue(0);
    if (app_.currentMap) services_.SetCaption("HEX - " + QString::fromStdString(app_.currentMap->name));
    UpdateScrollRanges();
    area_->viewport()->update();
}

void CHexWnd::RefreshFromImage() {
    PlaceEditor();
    area_->viewport()->update();
}

void CHexWnd::UpdateWindow() { RefreshFromImage(); }

void CHexWnd::resizeEvent(QResizeEvent*) { area_->setGeometry(rect()); }

// Columns: the address column is two cells wide, then the 16 bytes; the
// offsets take the first line.
void CHexWnd::UpdateScrollRanges() {
    const HexBlock block = Block();
    const QSize size = area_->viewport()->size();
    const int contentWidth = cellWidth_ * 18;
    const int contentLines = block.lines + 1;
    area_->horizontalScrollBar()->setRange(0, std::max(contentWidth - size.width(), 0));
    area_->horizontalScrollBar()->setPageStep(size.width());
    area_->verticalScrollBar()->setRange(0, std::max(contentLines - size.height() / cellHeight_, 0));
    area_->verticalScrollBar()->setPageStep(std::max(size.height() / cellHeight_, 1));
}

void CHexWnd::Scrolled() {
    PlaceEditor();
    area_->viewport()->update();
}

QRect CHexWnd::ByteRect(std::uint32_t address) const {
    const HexBlock block = Block();
    const int line = static_cast<int>((address - block.firstLine) / 16) + 1;
    const int column = static_cast<int>(address % 16) + 2;
    return QRect(column * cellWidth_ - area_->horizontalScrollBar()->value(),
                 (line - area_->verticalScrollBar()->value()) * cellHeight_, cellWidth_, cellHeight_);
}

QPoint CHexWnd::ByteCentre(std::uint16_t address) const { return ByteRect(address).center(); }

void CHexWnd::PaintBytes(QPainter& painter) {
    const QSize size = area_->viewport()->size();
    painter.fillRect(QRect(QPoint(0, 0), size), kLightGrey);
    if (!app_.currentMap || !app_.HasImage()) return;
    const HexBlock block = Block();
    painter.setFont(font_);
    painter.setPen(Qt::black);
    const int dx = area_->horizontalScrollBar()->value();
    const int firstLine = area_->verticalScrollBar()->value();
    for (int offset = 0; offset < 16; ++offset)
        painter.drawText(QRect((offset + 2) * cellWidth_ - dx, 0, cellWidth_, cellHeight_), Qt::AlignCenter,
                         QString::fromStdString(HexOffsetText(offset)));
    const Image& image = app_.image();
    for (int line = firstLine; line < block.lines; ++line) {
        const int y = (line - firstLine + 1) * cellHeight_;
        if (y > size.height()) break;
        const std::uint32_t lineAddress = block.firstLine + 16u * static_cast<std::uint32_t>(line);
        painter.drawText(QRect(-dx, y, 2 * cellWidth_ - 4, cellHeight_), Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromStdString(HexAddressText(lineAddress)));
        for (std::uint32_t a = lineAddress; a < lineAddress + 16; ++a) {
            if (!HexContains(block, a)) continue;
            painter.drawText(ByteRect(a), Qt::AlignCenter,
                             QString::fromStdString(HexByteText(image[static_cast<std::uint16_t>(a)])));
        }
    }
}

void CHexWnd::PlaceEditor() {
    if (editAddress_ < 0 || !HexContains(Block(), static_cast<std::uint32_t>(editAddress_))) {
        editor_->hide();
        return;
    }
    editor_->setGeometry(ByteRect(static_cast<std::uint32_t>(editAddress_)));
    editor_->setText(QString::fromStdString(HexByteText(app_.image()[static_cast<std::uint16_t>(editAddress_)])));
    editor_->selectAll();
    editor_->show();
}

void CHexWnd::Pressed(const QPoint& position) {
    if (!app_.currentMap) return;
    const HexBlock block = Block();
    const int x = position.x() + area_->horizontalScrollBar()->value();
    const int line = position.y() / cellHeight_ - 1 + area_->verticalScrollBar()->value();
    const int column = x / cellWidth_ - 2;
    if (line < 0 || line >= block.lines || column < 0 || column > 15) return;
    const std::uint32_t address = block.firstLine + 16u * static_cast<std::uint32_t>(line) + static_cast<std::uint32_t>(column);
    if (!HexContains(block, address)) return;
    if (editor_->isVisible() && editor_->isModified()) Commit();
    EditContext context = services_.MakeEditContext(app_);
    services_.PrepareViews(0);
    if (!HexPlaceCursor(context, *app_.currentMap, static_cast<std::uint16_t>(address))) return;
    editAddress_ = static_cast<int>(address);
    PlaceEditor();
    services_.RefreshViews(kWindowHex);
    editor_->setFocus();
}

void CHexWnd::Commit() {
    if (editAddress_ < 0 || !app_.currentMap) return;
    EditContext context = services_.MakeEditContext(app_);
    const bool changed = HexCommit(context, *app_.currentMap, prompt_, static_cast<std::uint16_t>(editAddress_),
                                   editor_->text().toStdString());
    PlaceEditor();
    area_->viewport()->update();
    if (changed) services_.RefreshViews(kWindowHex);
}

bool CHexWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (SelectOnClick(editor_, event, swallowingClick_)) return true;
        if (event->type() == QEvent::ShortcutOverride) return true;
        // The edit control's own paste (its keys when the frame's Paste is
        // greyed, the middle button's selection) would let any text in.
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
            return true;
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
            Paste();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Commit();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                // What was typed goes; the byte's own text comes back.
                PlaceEditor();
                return true;
            }
        }
    }
    return CChildWnd::eventFilter(watched, event);
}

bool CHexWnd::CellEditing() const { return editor_->isVisible(); }

void CHexWnd::Copy() { QGuiApplication::clipboard()->setText(editor_->text()); }
void CHexWnd::Cut() { editor_->cut(); }
void CHexWnd::Paste() {
    std::string digits;
    const std::string refusal = HexPasteRefusal(QGuiApplication::clipboard()->text().toStdString(), digits);
    if (!refusal.empty()) {
        prompt_.Message(refusal, Str(str::kCaptionTableWindow), PromptIcon::kExclamation);
        return;
    }
    // The whole byte: what stood in the editor is replaced, as typing over it would.
    editor_->selectAll();
    editor_->insert(QString::fromStdString(digits));
}
