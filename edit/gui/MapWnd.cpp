#include "edit/gui/MapWnd.h"

#include <algorithm>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "app/QelApp.h"
#include "model/Strings.h"
#include "edit/EditContext.h"
#include "edit/LinkedMaps.h"
#include "edit/MapGraphState.h"
#include "edit/gui/MapGraphWnd.h"
#include "edit/MapWndModel.h"
#include "edit/UndoList.h"

namespace {

constexpr const char* kCaptionPrefix = "MAP - ";
constexpr int kLabelFontPixels = 14;
const QColor kMarginGrey(192, 192, 192);

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CMapWnd::CMapWnd(CQelApp& app, UserPrompt& prompt, ViewServices& services, QWidget* parent)
    : CChildWnd(app, prompt, services, parent) {
    labelFont_ = QFont(QStringLiteral("Century"));
    labelFont_.setPixelSize(kLabelFontPixels);
    labelFont_.setWeight(QFont::Normal);
    labelFont_.setStyleHint(QFont::Serif, QFont::PreferQuality);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Prepare(true);
}

CMapWnd::~CMapWnd() = default;

bool CMapWnd::FreeMapDefinition() const { return app_.definitionKind == kDefinitionFreeMap; }

EditContext CMapWnd::Context() const { return services_.MakeEditContext(app_); }

void CMapWnd::Prepare(bool atCreation) {
    if (pane_) pane_->CancelDrag();
    map_ = app_.currentMap;
    range_ = GraphRawRange{};
    bool paneWanted = map_ != nullptr;
    if (map_) {
        const GraphAxisKind axis = GraphAxisKindOf(*map_, FreeMapDefinition());
        const GraphRangeResult result = ComputeGraphRawRange(*map_, axis);
        range_ = result.range;
        if (result.code != kConversionOk) {
            ReportConversionError(prompt_, result.code, Str(str::kCaptionMapWindow), map_->x.name,
                                  Str(str::kWrongEquation));
            paneWanted = false;
        }
        if (atCreation) GraphStateOf(*map_).graphActive = false;
    }
    if (paneWanted && !pane_) {
        pane_ = new CMapGraphWnd(*this);
        pane_->show();
    } else if (!paneWanted && pane_) {
        delete pane_;
        pane_ = nullptr;
    }
    Layout();
}

void CMapWnd::Layout() {
    const int w = width();
    const int h = height();
    if (map_) {
        const GraphAxisKind axis = GraphAxisKindOf(*map_, FreeMapDefinition());
        scales_ = ComputeGraphScales(*map_, axis, ScaleRange(range_, axis), w, h);
    } else {
        scales_ = GraphScales{};
        scales_.clientWidth = w;
        scales_.clientHeight = h;
        scales_.pane = {kGraphLeftMargin, 0, std::max(w - kGraphLeftMargin, 0),
                        std::max(h - kGraphBottomMargin, 0)};
    }
    if (pane_) pane_->setGeometry(scales_.pane.x, scales_.pane.y, scales_.pane.width, scales_.pane.height);
}

void CMapWnd::ResetForMap() {
    Prepare(false);
    update();
    if (pane_) pane_->update();
}

void CMapWnd::RefreshFromImage() {
    update();
    if (pane_) pane_->update();
}

void CMapWnd::UpdateWindow() { RefreshFromImage(); }

void CMapWnd::KeyCommand(int code) {
    if (pane_) pane_->KeyCommand(code);
}

void CMapWnd::SingleWriteCommand() { KeyCommand(kKeyShiftEnter); }

void CMapWnd::UndoEdit() {
    if (!map_ || (pane_ && pane_->Dragging())) return;
    EditContext context = Context();
    if (Undo(context, *map_) == 0) return;
    RefreshFromImage();
    services_.RefreshViews(kWindowMap);
}

bool CMapWnd::CancelDrag() {
    if (!pane_ || !pane_->Dragging()) return false;
    pane_->CancelDrag();
    return true;
}

void CMapWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && CancelDrag()) {
        event->accept();
        return;
    }
    CChildWnd::keyPressEvent(event);
}

QString CMapWnd::Caption() const {
    if (!map_) return QString::fromLatin1(kCaptionPrefix);
    return QString::fromLatin1(kCaptionPrefix) +
           Text(LinkedMapName(app_.maps, app_.mapLinkState, app_.mapLink, *map_));
}

void CMapWnd::resizeEvent(QResizeEvent* event) {
    CChildWnd::resizeEvent(event);
    // A drag's cached picture and neighbour positions belong to the old size.
    if (pane_) pane_->CancelDrag();
    Layout();
}

void CMapWnd::paintEvent(QPaintEvent*) {
    services_.SetCaption(Caption());

    QPainter painter(this);
    painter.fillRect(rect(), kMarginGrey);
    if (!map_) return;
    painter.setFont(labelFont_);
    painter.setPen(QPen(Qt::black, 1));
    const QFontMetrics metrics(labelFont_);

    for (const GraphLabel& label : DataAxisLabels(*map_, scales_, app_.currentMap, app_.formats)) {
        const QString text = Text(label.text);
        // Right end at the anchor, on its baseline; the top and bottom labels
        // are kept inside the window rather than cut by its edge.
        const int baseline = std::clamp(label.anchor.y, metrics.ascent(),
                                        std::max(metrics.ascent(), height() - metrics.descent()));
        painter.drawText(label.anchor.x - metrics.horizontalAdvance(text), baseline, text);
        if (label.drawTick)
            painter.drawLine(label.tickFrom.x, label.tickFrom.y, label.tickTo.x, label.tickTo.y);
    }

    // The DATA name reads upwards, centred on its point, on its baseline.
    const QString dataName = Text(map_->y.name);
    const GraphPoint dataCentre = DataAxisNameCentre(scales_);
    painter.save();
    painter.translate(dataCentre.x, dataCentre.y);
    painter.rotate(-90);
    painter.drawText(-metrics.horizontalAdvance(dataName) / 2, 0, dataName);
    painter.restore();

    const TextWidthFn width = [&metrics](const std::string& s) {
        return metrics.horizontalAdvance(Text(s));
    };
    for (const GraphLabel& label : RpmAxisLabels(*map_, scales_, app_.formats, width)) {
        if (label.drawText) {
            const QString text = Text(label.text);
            // Centred on the anchor, top aligned; the last label moves left
            // rather than run off the window's right edge.
            const int textWidth = metrics.horizontalAdvance(text);
            const int left = std::clamp(label.anchor.x - textWidth / 2, 0, std::max(0, this->width() - textWidth));
            painter.drawText(left, label.anchor.y + metrics.ascent(), text);
        }
        if (label.drawTick)
            painter.drawLine(label.tickFrom.x, label.tickFrom.y, label.tickTo.x, label.tickTo.y);
    }

    const QString rpmName = Text(map_->x.name);
    const GraphPoint rpmCentre = RpmAxisNameCentre(scales_);
    painter.drawText(rpmCentre.x - metrics.horizontalAdvance(rpmName) / 2, rpmCentre.y + metrics.ascent(),
                     rpmName);
}
