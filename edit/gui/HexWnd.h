#pragma once
// The HEX window (kind 2): the current map's bytes in lines of 16 on a light
// grey background, the line addresses on the left and the offsets along the
// top. A clicked byte becomes the edit cursor and can be typed over.
#include <QAbstractScrollArea>
#include <QFont>

#include "edit/gui/ChildWnd.h"
#include "edit/HexBlock.h"

class QLineEdit;

class CHexWnd : public CChildWnd {
public:
    CHexWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent);

    int Kind() const override { return kWindowHex; }
    void ResetForMap() override;
    // Enter (key command 7) takes the typed byte.
    void KeyCommand(int code) override {
        if (code == 7) Commit();
    }
    void RefreshFromImage() override;
    void UpdateWindow() override;
    void Copy() override;
    void Cut() override;
    void Paste() override;
    bool CellEditing() const override;

    QLineEdit* editor() const { return editor_; }
    QAbstractScrollArea* area() const { return area_; }
    // The byte under the editor; -1 when none is being edited.
    int EditAddress() const { return editAddress_; }
    // The centre of a byte's cell in the area's viewport (for the mouse).
    QPoint ByteCentre(std::uint16_t address) const;

    // Used by the scroll area.
    void PaintBytes(QPainter& painter);
    void Pressed(const QPoint& position);
    void UpdateScrollRanges();
    void Scrolled();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HexBlock Block() const;
    QRect ByteRect(std::uint32_t address) const;
    void Commit();
    void PlaceEditor();

    QFont font_;
    int cellWidth_;
    int cellHeight_;
    QAbstractScrollArea* area_;
    QLineEdit* editor_;
    int editAddress_ = -1;
    bool swallowingClick_ = false;
};
