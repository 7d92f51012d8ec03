#pragma once
// The legend of the table's colour scale: the lowest value of the map, the
// palette from dark to light, the highest value, each end with its unit.
#include <QString>
#include <QWidget>

class CScaleLegend : public QWidget {
public:
    explicit CScaleLegend(QWidget* parent);

    void SetEnds(const QString& low, const QString& high);
    QString LowText() const { return low_; }
    QString HighText() const { return high_; }
    // The width the legend needs for its texts and a readable strip.
    int PreferredWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString low_;
    QString high_;
};
