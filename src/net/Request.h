#pragma once

#include "net/ErrorCode.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSslError>
#include <QString>
#include <QUrl>

#include <functional>

class ISession;
class QIODevice;

class QNetworkRequest;
class QTimer;

// One call to the service: method, path below the server's base URL, query,
// headers, optional body and a time-out. A request sends itself through a
// session, supervises itself and ends in exactly one outcome: `success()` or
// `error(code, message)`, after which it deletes itself (later). The owner
// never deletes a request; it is single-use.
//
// The time-out bounds silence, not duration: every upload or download
// progress report restarts it, so a long transfer that keeps moving never
// times out, while a peer that goes quiet does. A peer that trickles a byte
// now and then would hold such a request for ever, so every request also has
// a deadline for its whole run; transfers, whose length has no bound, switch
// it off (setDeadline(0)) and live by their progress alone.
//
// What a reply holds in memory is bounded too (setMaxReplySize): a JSON
// reply past its ceiling, announced or as it arrives, ends the request with
// ERR_BAD_RESPONSE instead of filling the memory. A raw reply that its
// consumer reads as it comes (readyRead()) holds next to nothing and streams
// without limit.
//
// Replies are the service's JSON envelope {"status": n, "message": "...",
// "data": {...}}. The envelope is checked here, before the request reports
// success, so that every failure (empty body, not JSON, a "status" other
// than 200, data that does not parse) takes the single failure path and the
// session learns of it. A raw request (setRawReply) skips the envelope for
// replies that are not JSON: file downloads and the XSRF token.
class Request : public QObject
{
    Q_OBJECT
public:
    enum Type { Get = 2, Put = 3, Post = 4, Delete = 5 };
    Q_ENUM(Type)

    static constexpr int DefaultTimeoutMs = 15000;
    // The whole run of a request that is not a transfer.
    static constexpr int DefaultDeadlineMs = 60000;
    // Login, account and version replies are a few kilobytes; a photoTAN
    // image is the largest of them.
    static constexpr qint64 DefaultMaxReplySize = 1024 * 1024;
    // A file safe's listing over a whole safe: a million objects at about
    // 250 bytes each, with room to spare.
    static constexpr qint64 ListingMaxReplySize = 384LL * 1024 * 1024;
    // A password safe's list of entries: tens of thousands at a few
    // hundred bytes each.
    static constexpr qint64 PasswordListMaxReplySize = 16LL * 1024 * 1024;
    // Such a listing at a slow megabyte a second.
    static constexpr int ListingDeadlineMs = 600000;

    using SuccessCallback = std::function<void()>;
    using ErrorCallback = std::function<void(ErrorCode code, const QString &message)>;
    using ProgressCallback = std::function<void(qint64 done, qint64 total)>;
    // Checks the envelope's "data" (undefined when absent) and returns an
    // error text, empty when the data is acceptable.
    using DataParser = std::function<QString(const QJsonValue &data)>;

    // Factories: the request is created without parent and lives until its
    // outcome was delivered.
    static Request *createGet(const QString &path);
    static Request *createDelete(const QString &path);
    // PUT/POST of a JSON document (indented UTF-8, "application/json").
    static Request *createPut(const QString &path, const QJsonDocument &document);
    static Request *createPost(const QString &path, const QJsonDocument &document);
    static Request *createPost(const QString &path, const QByteArray &body, const QString &contentType);
    // The device becomes a child of the request; it must be open for reading.
    static Request *createPost(const QString &path, QIODevice *body, const QString &contentType);
    // The items encoded fully as the body ("application/x-www-form-urlencoded").
    static Request *createPostForm(const QString &path, const QMap<QString, QString> &items,
                                   const QString &contentType);

    ~Request() override;

    void setQueryItems(const QMap<QString, QString> &items) { m_queryItems = items; }
    void setHeaders(const QMap<QByteArray, QByteArray> &headers) { m_headers = headers; }
    void setHeader(const QByteArray &name, const QByteArray &value) { m_headers.insert(name, value); }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // The bound of the whole run, in ms; 0 for none (transfers).
    void setDeadline(int ms) { m_deadlineMs = ms; }
    // The most bytes a reply may hold in memory; 0 for no ceiling.
    void setMaxReplySize(qint64 bytes) { m_maxReplySize = bytes; }
    void setOnSuccess(SuccessCallback cb) { m_onSuccess = std::move(cb); }
    void setOnError(ErrorCallback cb) { m_onError = std::move(cb); }
    void setOnProgress(ProgressCallback cb) { m_onProgress = std::move(cb); }
    void setDataParser(DataParser parser) { m_dataParser = std::move(parser); }
    // Replies that are not JSON are handed on as they are (rawBody(), or
    // streamed through readyRead()); a JSON reply is still read as envelope,
    // so that a service error reaches the caller as an error.
    void setRawReply(bool raw) { m_raw = raw; }

    Type type() const { return m_type; }
    const QString &path() const { return m_path; }
    int number() const { return m_number; }
    int timeout() const { return m_timeoutMs; }
    int deadline() const { return m_deadlineMs; }
    qint64 maxReplySize() const { return m_maxReplySize; }
    const QMap<QString, QString> &queryItems() const { return m_queryItems; }
    const QMap<QByteArray, QByteArray> &headers() const { return m_headers; }
    bool isFinished() const { return m_finished; }
    const QString &errorMessage() const { return m_errorMessage; }
    // The parsed envelope and its "data" (after success).
    const QJsonDocument &replyDocument() const { return m_replyDocument; }
    QJsonValue replyData() const;
    // A raw reply's body as far as no readyRead() consumer took it.
    const QByteArray &rawBody() const { return m_rawBody; }
    // The reply while in flight (for response headers and streaming reads).
    QNetworkReply *reply() const { return m_reply; }

    // Builds and sends the HTTP request through the session.
    void send(ISession *session);

    // The process-wide running number of requests; the first request is 1.
    static int nextNumber();

signals:
    void error(ErrorCode errorCode, QString message);
    void success();
    // A raw, non-JSON reply has bytes to read from reply().
    void readyRead();

public slots:
    // Ends the request with ERR_ABORTED, "Aborted by user." (application
    // quits, or the session aborts everything).
    void abort();
    // Ends the request with `code` and "Aborted:" followed by the reason.
    void abort(ErrorCode code, const QString &reason);
    void onFinished();
    void onSslErrors(const QList<QSslError> &errors);
    void onTimeout();
    // The whole run took longer than the deadline.
    void onDeadline();
    // The single failure path: delivers the error unless an outcome was
    // already delivered.
    void onError(ErrorCode code, const QString &message);
    void restartTimer(qint64 done, qint64 all);

private:
    Request(Type type, const QString &path, QObject *parent = nullptr);

    void stopReply();
    void succeed();
    void stopTimers();
    void pauseTimer();
    void resumeTimer();
    int elapsedMs() const;
    void logRequest(const QNetworkRequest &request) const;
    void logReply() const;
    void parseEnvelope(QByteArray body);
    // Ends the request when the reply announces or holds more than its
    // ceiling; true when it did.
    bool refuseOversizedReply();

    Type m_type;
    QString m_path;
    QMap<QString, QString> m_queryItems;
    QMap<QByteArray, QByteArray> m_headers;
    SuccessCallback m_onSuccess;
    ErrorCallback m_onError;
    ProgressCallback m_onProgress;
    DataParser m_dataParser;
    int m_timeoutMs = DefaultTimeoutMs;
    int m_deadlineMs = DefaultDeadlineMs;
    qint64 m_maxReplySize = DefaultMaxReplySize;
    QIODevice *m_body = nullptr; // owned (child)
    QByteArray m_bodyBytes;
    QJsonDocument m_replyDocument;
    QByteArray m_rawBody;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_timer = nullptr; // owned (child)
    QTimer *m_deadlineTimer = nullptr; // owned (child)
    int m_deadlineLeftMs = 0;          // while paused
    QString m_contentType;
    bool m_finished = false;
    bool m_aborting = false; // our own abort is in progress
    bool m_paused = false;
    bool m_raw = false;
    bool m_rawJson = false; // a raw request got a JSON reply
    QString m_errorMessage;
    QPointer<ISession> m_session;
    QList<QSslError> m_connectionSslErrors; // seen on a shared connection
    int m_number;
};
