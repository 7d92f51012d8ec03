#pragma once
// The application's style with its standard icons kept once made. Qt builds
// a standard icon anew on every request, reading its picture files; every
// table, map and HEX window (its title bar buttons and window menu), the
// menu bar and the dialog bar ask for the same few. Everything else is the
// style underneath, unchanged.
#include <QIcon>
#include <QProxyStyle>

#include <map>
#include <utility>

class CachedIconStyle : public QProxyStyle {
public:
    // base: the style to keep the icons of; null for the application's default.
    explicit CachedIconStyle(QStyle* base = nullptr) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override;

private:
    // By icon and the application's layout direction, which picks the
    // mirrored arrows. Requests with a style option are not kept: the
    // option may ask for another look.
    mutable std::map<std::pair<StandardPixmap, Qt::LayoutDirection>, QIcon> icons_;
};
