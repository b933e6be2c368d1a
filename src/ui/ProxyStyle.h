#pragma once

#include <QHash>
#include <QIcon>
#include <QProxyStyle>

// The platform's style with the telvo brand's own message icons: flat round
// badges in the brand's colours instead of the desktop theme's pictures.
class ProxyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit ProxyStyle(QStyle *base = nullptr);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;

    // The badge for one of the message icons at one size; null for others.
    static QPixmap drawBadge(StandardPixmap which, int size);

private:
    mutable QHash<int, QIcon> m_icons;
};
