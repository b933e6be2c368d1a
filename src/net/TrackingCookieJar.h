#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QUrl>

// The session's cookie jar: stores cookies like the platform's jar and tells
// the session whenever the server hands out a "JSESSIONID" (a new server
// session).
class TrackingCookieJar : public QNetworkCookieJar
{
    Q_OBJECT
public:
    explicit TrackingCookieJar(QObject *parent = nullptr);

    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;

signals:
    void setCookieJsessionidReceived(QNetworkCookie cookie, QUrl url);
};
