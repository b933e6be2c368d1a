#include "net/TrackingCookieJar.h"

TrackingCookieJar::TrackingCookieJar(QObject *parent)
    : QNetworkCookieJar(parent)
{
}

bool TrackingCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    for (const QNetworkCookie &cookie : cookieList)
        if (cookie.name() == "JSESSIONID")
            emit setCookieJsessionidReceived(cookie, url);
    return QNetworkCookieJar::setCookiesFromUrl(cookieList, url);
}

QList<QNetworkCookie> TrackingCookieJar::cookiesForUrl(const QUrl &url) const
{
    return QNetworkCookieJar::cookiesForUrl(url);
}
