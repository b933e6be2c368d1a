#include "NetTestUtil.h"
#include "ScriptedPeer.h"
#include "TestEnv.h"
#include "net/ClientVersionTO_v1.h"
#include "net/OndoSession.h"
#include "net/Request.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QtTest>

namespace {
// Sends an envelope of about `size` bytes ({"status":200,"data":{"pad":"kk..."}})
// in 256 KiB pieces, each when the last one left, so the peer never holds
// more than one piece; `announced` is the Content-Length to claim (-1: none,
// the end is the connection's end). Counts what went out.
void streamEnvelope(PeerConnection *c, qint64 size, qint64 announced, const QByteArray &contentType,
                    std::shared_ptr<qint64> sent)
{
    QByteArray head = "HTTP/1.1 200 Scripted\r\nContent-Type: " + contentType + "\r\n";
    head += announced >= 0 ? "Content-Length: " + QByteArray::number(announced) + "\r\n" : "Connection: close\r\n";
    c->writeRaw(head + "\r\n");
    const QByteArray open = R"({"status":200,"data":{"pad":")";
    const QByteArray close = R"("}})";
    auto pump = [c, size, sent, open, close] {
        QTcpSocket *socket = c->socket();
        // Keep at most a few pieces waiting in the socket; more follow as
        // those leave (bytesWritten is not emitted for writes made inside
        // its own handler, so the loop fills up to the mark itself).
        while (socket && socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 1024 * 1024) {
            if (*sent >= size) {
                c->close();
                return;
            }
            QByteArray piece(int(qMin<qint64>(256 * 1024, size - *sent)), 'k');
            if (*sent == 0)
                piece.replace(0, open.size(), open);
            if (*sent + piece.size() >= size)
                piece.replace(piece.size() - close.size(), close.size(), close);
            *sent += piece.size();
            c->writeRaw(piece);
        }
    };
    QObject::connect(c->socket(), &QTcpSocket::bytesWritten, c, pump);
    pump();
}

const QByteArray ValidationPath = "/api/sync/1/account/clientvalidation";
const QByteArray VersionData = R"({"name":"sync","version_compatible":"1.0.0","version_latest":"1.2.0"})";
} // namespace

// The request layer against a scripted HTTP peer: every way a reply can go
// wrong ends in exactly one outcome with the right code.
class TestRequest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ScriptedPeer> peer;
    std::unique_ptr<OndoSession> session;
    // The script for everything but the session check, which always succeeds.
    ScriptedPeer::Script script;

    void answerWith(ScriptedPeer::Script s) { script = std::move(s); }

private slots:
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        peer = std::make_unique<ScriptedPeer>();
        QVERIFY(peer->start());
        peer->setScript([this](const PeerRequest &r, PeerConnection *c) {
            if (r.path() == ValidationPath)
                c->reply(200, envelope());
            else if (script)
                script(r, c);
        });
        session = std::make_unique<OndoSession>(SessionOptions());
        session->setServer(testServer(peer->url()));
    }
    void cleanup()
    {
        session.reset();
        peer.reset();
        script = nullptr;
        env.reset();
    }

    void replyEnvelope_data()
    {
        QTest::addColumn<int>("http");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("status 200 with data -> success") << 200 << envelope(VersionData) << 0 << QString();
        QTest::newRow("status 10907 -> 22 with the server's message")
            << 200 << QByteArray(R"({"status":10907,"message":"x"})") << 22
            << QStringLiteral("Response status: code:10907 message: x");
        QTest::newRow("status 10904 -> 28") << 200 << envelope({}, 10904, "gone") << 28
                                            << QStringLiteral("Response status: code:10904 message: gone");
        QTest::newRow("other status -> 10") << 200 << envelope({}, 401, "login") << 10
                                            << QStringLiteral("Response status: code:401 message: login");
        QTest::newRow("empty 200 -> 25") << 200 << QByteArray() << 25 << QStringLiteral("Received empty response");
        QTest::newRow("not JSON -> 26") << 200 << QByteArray("<html>oops</html>") << 26
                                        << QStringLiteral("Bad response: json document parse error: ");
        QTest::newRow("status missing -> 26") << 200 << QByteArray(R"({"data":{}})") << 26
                                              << QStringLiteral("Bad response: json object: missing key: 'status'");
        QTest::newRow("data lacks a key -> 26 naming it")
            << 200 << envelope(R"({"name":"n","version_compatible":"1"})") << 26
            << QStringLiteral("Response data: json object: missing key: 'version_latest'");
        QTest::newRow("HTTP 500 -> 4 with the HTTP status") << 500 << envelope() << 4 << QStringLiteral("Network error: ");
        QTest::newRow("HTTP 503 -> 7") << 503 << QByteArray("busy") << 7 << QStringLiteral("Network error: ");
        QTest::newRow("302 -> 8, not followed") << 302 << QByteArray() << 8 << QStringLiteral("HTTP status: 302");
        // Raw requests (a token as text): the body as it came, a JSON envelope read as a service error.
        QTest::newRow("raw text token -> body as it came") << 200 << QByteArray("tok-123") << 0 << QString();
        QTest::newRow("raw empty text -> empty body, success") << 200 << QByteArray() << 0 << QString();
        QTest::newRow("raw JSON service error -> its code") << 200 << envelope({}, 10904, "nope") << 28
                                                            << QStringLiteral("Response status: code:10904 message: nope");
    }
    void replyEnvelope()
    {
        QFETCH(int, http);
        QFETCH(QByteArray, body);
        QFETCH(int, code);
        QFETCH(QString, message);
        const bool raw = QByteArray(QTest::currentDataTag()).startsWith("raw ");
        answerWith([=](const PeerRequest &, PeerConnection *c) {
            c->reply(http, body, {"Location: /moved"}, body.startsWith('{') ? "application/json" : "text/plain");
        });
        auto outcomes = std::make_shared<Outcomes>();
        ClientVersionTO_v1 version;
        QByteArray received;
        Request *request = Request::createGet(QStringLiteral("/v"));
        if (raw)
            session->sendRaw(request, nullptr, recordInto<QByteArray>(outcomes, &received));
        else
            session->send<ClientVersionTO_v1>(request, recordInto<ClientVersionTO_v1>(outcomes, &version));
        QTRY_COMPARE(outcomes->calls, 1);
        QCOMPARE(int(outcomes->lastCode()), code);
        QVERIFY2(outcomes->lastMessage().startsWith(message), qPrintable(outcomes->lastMessage()));
        if (code == 0 && raw)
            QCOMPARE(received, body);
        else if (code == 0)
            QCOMPARE(version.versionLatest, QStringLiteral("1.2.0"));
        if (http >= 400)
            QVERIFY2(outcomes->lastMessage().endsWith(QStringLiteral("HTTP: %1").arg(http)),
                     qPrintable(outcomes->lastMessage()));
        QTest::qWait(100);
        QCOMPARE(outcomes->calls, 1);
        QCOMPARE(peer->countPath("/moved"), 0); // a redirect is never followed
    }

    void headersQueryAndBodies()
    {
        answerWith([](const PeerRequest &, PeerConnection *c) { c->reply(200, envelope()); });
        session->setXsrfToken("xsrf-0123456789");
        QJsonObject body{{QStringLiteral("step"), QStringLiteral("CREATE_SESSION")}};
        Request *request = Request::createPost(QStringLiteral("/api/p"), QJsonDocument(body));
        request->setQueryItems({{QStringLiteral("depth"), QStringLiteral("0")},
                                {QStringLiteral("type"), QStringLiteral("a b/c&d")}});
        request->setHeader("X-Object-Path", "%2FDocs");
        auto outcomes = std::make_shared<Outcomes>();
        session->send<Nothing>(request, recordInto<Nothing>(outcomes));
        QTRY_COMPARE(outcomes->calls, 1);
        // A form body is encoded fully.
        session->send<Nothing>(Request::createPostForm(QStringLiteral("/logout"), {{QStringLiteral("a"), QStringLiteral("x y&z=ü")}},
                                                       QStringLiteral("application/x-www-form-urlencoded")),
                               recordInto<Nothing>(outcomes));
        QTRY_COMPARE(outcomes->calls, 2);
        QCOMPARE(outcomes->codes, (QList<ErrorCode>{ERR_NONE, ERR_NONE}));
        const PeerRequest &seen = peer->requests().first(), &form = peer->requests().last();
        QCOMPARE((QByteArrayList{seen.method, seen.target, seen.header("accept"), seen.header("x-xsrf-token"),
                                 seen.header("x-object-path"), seen.header("content-type"), form.header("content-type"), form.body}),
                 (QByteArrayList{"POST", "/api/p?depth=0&type=a%20b%2Fc%26d", "application/json", "xsrf-0123456789", "%2FDocs",
                                 "application/json", "application/x-www-form-urlencoded", "a=x%20y%26z%3D%C3%BC"}));
        QCOMPARE(seen.header("content-length").toInt(), seen.body.size());
        QCOMPARE(QJsonDocument::fromJson(seen.body).object(), body);
    }

    void withoutServerTheUrlIsInvalid()
    {
        OndoSession bare{SessionOptions()};
        auto outcomes = std::make_shared<Outcomes>();
        bare.send<Nothing>(Request::createGet(QStringLiteral("/api/x")), recordInto<Nothing>(outcomes));
        QCOMPARE(outcomes->calls, 1); // at once, before anything is sent
        QCOMPARE(outcomes->lastCode(), ERR_INVALID_URL);
        QVERIFY(outcomes->lastMessage().startsWith(QStringLiteral("Invalid URL")));
    }

    void tricklingBodyOutlivesTheTimeout_data()
    {
        QTest::addColumn<int>("deadline");
        QTest::addColumn<int>("code");
        QTest::newRow("transfer without deadline -> progress keeps it alive") << 0 << 0;
        QTest::newRow("request with a deadline -> ends at the deadline") << 800 << int(ERR_TIMEOUT);
    }
    void tricklingBodyOutlivesTheTimeout()
    {
        QFETCH(int, deadline);
        QFETCH(int, code);
        // The head, then the body in 12 pieces 100 ms apart: 1.2 s in total
        // against a 500 ms time-out.
        const QByteArray body = envelope(VersionData);
        answerWith([body](const PeerRequest &, PeerConnection *c) {
            c->writeRaw("HTTP/1.1 200 Scripted\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
            const int step = (body.size() + 11) / 12;
            for (int i = 0; i < 12; ++i)
                QTimer::singleShot(100 * (i + 1), c, [c, piece = body.mid(i * step, step)] { c->writeRaw(piece); });
        });
        auto outcomes = std::make_shared<Outcomes>();
        Request *request = Request::createGet(QStringLiteral("/slow"));
        request->setTimeout(500);
        request->setDeadline(deadline);
        QElapsedTimer clock;
        clock.start();
        session->send<ClientVersionTO_v1>(request, recordInto<ClientVersionTO_v1>(outcomes));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes->calls, 1, 10000);
        QCOMPARE(int(outcomes->lastCode()), code);
        if (code == ERR_NONE)
            QVERIFY2(clock.elapsed() > 1000, "the transfer must take longer than the time-out for this test to mean anything");
        else
            QVERIFY2(outcomes->lastMessage().startsWith("Timeout"), qPrintable(outcomes->lastMessage()));
    }

    // A hostile server sends more than any reply of its kind can hold.
    void replyCeiling_data()
    {
        QTest::addColumn<bool>("raw");         // sent with sendRaw
        QTest::addColumn<bool>("streamed");    // the consumer reads as it comes
        QTest::addColumn<qint64>("announced"); // Content-Length, -1 none
        QTest::addColumn<qint64>("size");      // what the peer sends
        QTest::addColumn<qint64>("ceiling");   // 0: the default
        QTest::addColumn<int>("code");
        const qint64 MiB = 1024 * 1024;
        QTest::newRow("JSON announcing 2 GiB -> refused before it comes")
            << false << false << 2048 * MiB << 64 * MiB << qint64(0) << int(ERR_BAD_RESPONSE);
        QTest::newRow("JSON without length past the ceiling -> refused as it comes")
            << false << false << qint64(-1) << 64 * MiB << qint64(0) << int(ERR_BAD_RESPONSE);
        QTest::newRow("raw reply nobody reads -> refused as it comes")
            << true << false << qint64(-1) << 64 * MiB << qint64(0) << int(ERR_BAD_RESPONSE);
        QTest::newRow("JSON within a raised ceiling -> read") << false << false << 3 * MiB << 3 * MiB << 8 * MiB << 0;
        QTest::newRow("download read as it comes -> no ceiling")
            << true << true << 32 * MiB << 32 * MiB << qint64(0) << 0;
    }
    void replyCeiling()
    {
        QFETCH(bool, raw);
        QFETCH(bool, streamed);
        QFETCH(qint64, announced);
        QFETCH(qint64, size);
        QFETCH(qint64, ceiling);
        QFETCH(int, code);
        auto sent = std::make_shared<qint64>(0);
        answerWith([=](const PeerRequest &, PeerConnection *c) {
            streamEnvelope(c, size, announced, raw ? "application/octet-stream" : "application/json", sent);
        });
        auto outcomes = std::make_shared<Outcomes>();
        Request *request = Request::createGet(QStringLiteral("/big"));
        if (ceiling > 0)
            request->setMaxReplySize(ceiling);
        qint64 consumed = 0;
        if (streamed)
            connect(request, &Request::readyRead, this, [request, &consumed] { consumed += request->reply()->readAll().size(); });
        QByteArray rawBody;
        if (raw)
            session->sendRaw(request, nullptr, recordInto<QByteArray>(outcomes, &rawBody));
        else
            session->send<Nothing>(request, recordInto<Nothing>(outcomes));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes->calls, 1, 30000);
        QCOMPARE(int(outcomes->lastCode()), code);
        if (code == ERR_NONE) {
            QCOMPARE(consumed + rawBody.size(), raw ? size : qint64(0));
            return;
        }
        QVERIFY2(outcomes->lastMessage().startsWith("Reply too large"), qPrintable(outcomes->lastMessage()));
        if (announced > 0)
            QVERIFY2(outcomes->lastMessage().contains(QString::number(announced)), qPrintable(outcomes->lastMessage()));
    }

    void timeoutOrAbortAfterSuccessChangesNothing()
    {
        answerWith([](const PeerRequest &, PeerConnection *c) { c->reply(200, envelope()); });
        auto outcomes = std::make_shared<Outcomes>();
        Request *request = Request::createGet(QStringLiteral("/x"));
        QPointer<Request> guard(request);
        const int failuresBefore = session->failedRequests();
        session->send<Nothing>(request, [&, outcomes](const EmptyResult &r) {
            recordInto<Nothing>(outcomes)(r);
            // Late signals while the request still exists: no second outcome.
            QVERIFY(guard);
            guard->onTimeout();
            guard->abort();
            guard->onError(ERR_NETWORK, QStringLiteral("late"));
        });
        QTRY_COMPARE(outcomes->calls, 1);
        QTRY_VERIFY(!guard); // deleted after its outcome
        QCOMPARE(outcomes->lastCode(), ERR_NONE);
        QCOMPARE(session->failedRequests(), failuresBefore);
    }

    void pausedRequestsDoNotTimeOut_lateReplyGivesNoSecondOutcome()
    {
        // The reply is due after the timeout; by then the client may have
        // closed the connection, so the reply is late or never comes.
        auto due = std::make_shared<bool>(false);
        answerWith([this, due](const PeerRequest &, PeerConnection *c) {
            QTimer::singleShot(1500, this, [c = QPointer<PeerConnection>(c), due] {
                if (c)
                    c->reply(200, envelope());
                *due = true;
            });
        });
        auto outcomes = std::make_shared<Outcomes>();
        Request *request = Request::createGet(QStringLiteral("/asking"));
        request->setTimeout(200);
        session->send<Nothing>(request, recordInto<Nothing>(outcomes));
        emit session->pause();
        QTest::qWait(600);
        QCOMPARE(outcomes->calls, 0);
        emit session->resume();
        QTRY_COMPARE(outcomes->calls, 1);
        QCOMPARE(outcomes->lastCode(), ERR_TIMEOUT);
        QCOMPARE(outcomes->lastMessage(), QStringLiteral("Timeout"));
        QTRY_VERIFY_WITH_TIMEOUT(*due, 10000);
        QTest::qWait(100);
        QCOMPARE(outcomes->calls, 1);
    }

    void callbackSkippedWhenContextIsGone()
    {
        answerWith([](const PeerRequest &, PeerConnection *c) {
            QTimer::singleShot(200, c, [c] { c->reply(200, envelope()); });
        });
        auto outcomes = std::make_shared<Outcomes>();
        auto *context = new QObject;
        session->send<Nothing>(Request::createGet(QStringLiteral("/x")), context, recordInto<Nothing>(outcomes));
        delete context;
        QTRY_COMPARE(peer->countPath("/x"), 1);
        QTest::qWait(500);
        QCOMPARE(outcomes->calls, 0);
    }

    // The session's network access manager takes its replies along when the
    // session goes; the application's end aborts them. Either way each request
    // ends exactly once, and nothing may touch a dead reply. The quitting row
    // comes last: it runs the application's event loop to its end.
    void requestsInFlightEndOnce_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::addColumn<QString>("message");
        QTest::newRow("session goes -> aborted") << false << QStringLiteral("Aborted:the connection was closed");
        QTest::newRow("application quits -> aborted by user") << true << QStringLiteral("Aborted by user.");
    }
    void requestsInFlightEndOnce()
    {
        QFETCH(bool, quit);
        QFETCH(QString, message);
        answerWith([](const PeerRequest &, PeerConnection *) {});
        auto outcomes = std::make_shared<Outcomes>();
        for (int i = 0; i < 2; ++i)
            session->send<Nothing>(Request::createGet(QStringLiteral("/pending")), recordInto<Nothing>(outcomes));
        QTRY_COMPARE(peer->countPath("/pending"), 2);
        if (quit) {
            QTimer::singleShot(100, QCoreApplication::instance(), &QCoreApplication::quit);
            QCoreApplication::exec(); // emits aboutToQuit when it ends
        } else {
            session.reset();
        }
        QCOMPARE(outcomes->codes, (QList<ErrorCode>{ERR_ABORTED, ERR_ABORTED}));
        QCOMPARE(outcomes->messages, (QStringList{message, message}));
        QTest::qWait(100);
        QCOMPARE(outcomes->calls, 2);
    }
};

QTEST_GUILESS_MAIN(TestRequest)
#include "tst_request.moc"
