// The pipe protocol between the client and its drive daemons, over a real
// local socket: the test plays the daemon.
#include "MessageCapture.h"
#include "drive/ClientConnection.h"
#include "drive/LocalServer.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestClientConnection : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;
    std::unique_ptr<QLocalSocket> m_daemon;
    QPointer<ClientConnection> m_connection;

    // The lines the client sent, once `lines` of them arrived (or after 2 s).
    QByteArrayList readLines(int lines)
    {
        QByteArrayList out;
        QElapsedTimer waited;
        waited.start();
        while (out.size() < lines && waited.elapsed() < 2000) {
            QTest::qWait(10);
            while (m_daemon->canReadLine() && out.size() < lines)
                out << m_daemon->readLine();
        }
        return out;
    }
    void send(const QByteArray &bytes)
    {
        m_daemon->write(bytes);
        m_daemon->flush();
    }
    // Lets the client read what was sent; true when nothing came back.
    bool silent()
    {
        QTest::qWait(200);
        return m_daemon->bytesAvailable() == 0;
    }

private slots:
    void initTestCase() { qRegisterMetaType<ClientConnection *>(); }
    void init()
    {
        m_server.reset(new LocalServer);
        m_server->listen(QStringLiteral("korx"));
        QSignalSpy accepted(m_server.get(), &LocalServer::newClient);
        m_daemon.reset(new QLocalSocket);
        m_daemon->connectToServer(LocalServer::socketPath(QStringLiteral("korx")));
        QVERIFY(m_daemon->waitForConnected(2000));
        QVERIFY(accepted.wait(2000));
        m_connection = accepted.first().first().value<ClientConnection *>();
    }
    void cleanup()
    {
        m_daemon.reset();
        m_server.reset();
    }

    void malformedLinesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("{} -> empty object") << QByteArray("{}") << "json document is an empty object";
        QTest::newRow("no request -> missing key") << QByteArray(R"({"id":3})")
                                                   << "json object: missing key: 'request'";
        QTest::newRow("body 5 -> not an object") << QByteArray(R"({"id":3,"request":"poll","body":5})")
                                                 << "json object: key 'body': value is not a json object";
        QTest::newRow("id text -> not a number") << QByteArray(R"({"id":"3","request":"poll"})")
                                                 << "json object: key 'id': value is not a number";
        QTest::newRow("array -> not an object") << QByteArray("[1]") << "json document is not an object";
        QTest::newRow("garbage -> parse error") << QByteArray("{\"id\":") << "json document parse error: ";
    }
    void malformedLinesAreSkipped()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, error);
        MessageCapture log;
        QSignalSpy registered(m_connection.data(), &ClientConnection::clientConnected);
        // The bad line and a good one in one write: the good one is answered
        // and registers the daemon's pid.
        send(line + "\n" R"({"id":7,"request":"ready","body":{"pid":99}})" "\n");
        QCOMPARE(readLines(1), QByteArrayList{R"({"body":{},"id":7})" "\n"});
        QCOMPARE(registered.size(), 1);
        QCOMPARE(registered.first().at(1).toInt(), 99);
        const QString prefix = QStringLiteral("Client %1: Malformed request: ").arg(m_connection->clientNumber());
        const QStringList lines = log.startingWith(prefix);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().mid(prefix.size()).startsWith(error), qPrintable(lines.first()));
    }

    // An event waits for a poll, and a poll for the end of its line; a
    // parked poll carries exactly one event. The connection goes with the daemon.
    void eventsAndPolls()
    {
        m_connection->postEvent(QStringLiteral("log"), QJsonObject{{QStringLiteral("level"), QStringLiteral("WARN")}});
        send(R"({"id":10,"requ)");
        QVERIFY(silent());
        QCOMPARE(m_connection->queuedEvents(), 1);

        send(R"(est":"poll"})" "\n");
        QCOMPARE(readLines(1), QByteArrayList{R"({"body":{"event":"log","level":"WARN"},"id":10})" "\n"});

        send(R"({"id":11,"request":"poll"})" "\n");
        QVERIFY(silent());
        QCOMPARE(m_connection->parkedPollId(), 11);
        m_connection->postLogLevelChangeEvent(ApplicationLog::DBG);
        m_connection->postCloseEvent();
        QCOMPARE(readLines(2), QByteArrayList{R"({"body":{"event":"log","level":"DEBUG"},"id":11})" "\n"});
        QCOMPARE(m_connection->parkedPollId(), -1);
        QCOMPARE(m_connection->queuedEvents(), 1);

        send(R"({"id":12,"request":"poll"})" "\n");
        QCOMPARE(readLines(1), QByteArrayList{R"({"body":{"event":"exit"},"id":12})" "\n"});

        m_daemon->disconnectFromServer();
        QTRY_VERIFY(m_connection.isNull());
    }

    void readyWithoutPidAsksTheDaemonToExit()
    {
        MessageCapture log;
        QSignalSpy registered(m_connection.data(), &ClientConnection::clientConnected);
        send(R"({"id":1,"request":"ready","body":{"pid":"x"}})" "\n" R"({"id":2,"request":"poll"})" "\n");
        QCOMPARE(readLines(1), QByteArrayList{R"({"body":{"event":"exit"},"id":2})" "\n"});
        QCOMPARE(registered.size(), 0);
        QCOMPARE(log.containing(QStringLiteral("Request 'ready' does not contain attribute 'pid'")).size(), 1);
    }

    void aSecondServerOnTheSameNameFails()
    {
        LocalServer second;
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^Unable to start listening on local socket ")));
        QVERIFY2(!second.listen(QStringLiteral("korx")), "listening twice succeeded");
    }
};

QTEST_MAIN(TestClientConnection)
#include "tst_clientconnection.moc"
