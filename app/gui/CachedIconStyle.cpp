#include "app/gui/CachedIconStyle.h"

#include <QGuiApplication>

QIcon CachedIconStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                                    const QWidget* widget) const {
    if (option != nullptr) return QProxyStyle::standardIcon(which, option, widget);
    const auto key = std::make_pair(which, QGuiApplication::layoutDirection());
    auto found = icons_.find(key);
    if (found == icons_.end())
        found = icons_.emplace(key, QProxyStyle::standardIcon(which, nullptr, widget)).first;
    return found->second;
}
