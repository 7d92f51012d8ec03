// The application style's kept standard icons: each is the picture the
// style underneath draws, made once, and the mirrored arrows follow the
// layout direction instead of whichever was asked for first.
#include <QApplication>
#include <QImage>
#include <QStyleFactory>
#include <QtTest>
#include <memory>

#include "app/gui/CachedIconStyle.h"

namespace {

QImage Picture(const QIcon& icon) { return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32); }

}  // namespace

class CachedIconStyleTest : public QObject {
    Q_OBJECT

private slots:
    void EveryIconIsTheBaseStylesMadeOnce() {
        CachedIconStyle cached(QStyleFactory::create("fusion"));
        std::unique_ptr<QStyle> plain(QStyleFactory::create("fusion"));
        for (int which = QStyle::SP_TitleBarMenuButton; which <= static_cast<int>(QStyle::SP_LineEditClearButton); ++which) {
            const auto sp = static_cast<QStyle::StandardPixmap>(which);
            const QIcon first = cached.standardIcon(sp, nullptr, nullptr);
            QCOMPARE(Picture(first), Picture(plain->standardIcon(sp, nullptr, nullptr)));
            QCOMPARE(cached.standardIcon(sp, nullptr, nullptr).cacheKey(), first.cacheKey());
        }
    }

    void MirroredArrowsFollowTheLayoutDirection() {
        CachedIconStyle cached(QStyleFactory::create("fusion"));
        std::unique_ptr<QStyle> plain(QStyleFactory::create("fusion"));
        const QImage leftToRight = Picture(cached.standardIcon(QStyle::SP_ArrowBack, nullptr, nullptr));
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        const QImage rightToLeft = Picture(cached.standardIcon(QStyle::SP_ArrowBack, nullptr, nullptr));
        const QImage expected = Picture(plain->standardIcon(QStyle::SP_ArrowBack, nullptr, nullptr));
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        QVERIFY(leftToRight != rightToLeft);
        QCOMPARE(rightToLeft, expected);
        QCOMPARE(Picture(cached.standardIcon(QStyle::SP_ArrowBack, nullptr, nullptr)), leftToRight);
    }
};

QTEST_MAIN(CachedIconStyleTest)
#include "CachedIconStyleTest.moc"
