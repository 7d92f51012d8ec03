#include "edit/gui/ScaleLegend.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include "edit/ColourScale.h"

namespace {

constexpr int kStripWidth = 90;
constexpr int kGap = 6;
constexpr int kGradientStops = 16;

QColor Colour(ScaleColour c) { return QColor(c.red, c.green, c.blue); }

}  // namespace

CScaleLegend::CScaleLegend(QWidget* parent) : QWidget(parent) {
    setObjectName("scaleLegend");
    setAutoFillBackground(true);
}

void CScaleLegend::SetEnds(const QString& low, const QString& high) {
    low_ = low;
    high_ = high;
    setToolTip("Colour scale of this map: " + low + " (dark) to " + high + " (light)");
    update();
}

int CScaleLegend::PreferredWidth() const {
    const QFontMetrics metrics(font());
    return metrics.horizontalAdvance(low_) + metrics.horizontalAdvance(high_) + kStripWidth + 4 * kGap;
}

void CScaleLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int lowWidth = metrics.horizontalAdvance(low_);
    const int highWidth = metrics.horizontalAdvance(high_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(kGap, 0, lowWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, low_);
    const int stripLeft = 2 * kGap + lowWidth;
    const int stripWidth = std::max(width() - stripLeft - highWidth - 2 * kGap, 8);
    const QRect strip(stripLeft, 3, stripWidth, std::max(height() - 6, 4));
    QLinearGradient gradient(strip.topLeft(), strip.topRight());
    for (int i = 0; i <= kGradientStops; ++i) {
        const double t = static_cast<double>(i) / kGradientStops;
        gradient.setColorAt(t, Colour(ScaleColourAt(t)));
    }
    painter.fillRect(strip, gradient);
    painter.setPen(Qt::black);
    painter.drawRect(strip.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(strip.right() + kGap, 0, highWidth + kGap, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     high_);
}
