#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QJsonArray>
#include <QtTest>

// Many sessions at once on one safe: the data stays consistent.
class TestServiceConcurrency : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;
    QString m_team;
    std::vector<std::unique_ptr<ServiceClient>> m_clients;

    // Waits for all replies; returns them in order and deletes them.
    static QList<ServiceClient::Reply> finish(const QList<QNetworkReply *> &replies)
    {
        QList<ServiceClient::Reply> out;
        for (QNetworkReply *reply : replies) {
            if (!reply->isFinished()) {
                QSignalSpy done(reply, &QNetworkReply::finished);
                done.wait(60000);
            }
            out << ServiceClient::readReply(reply);
            delete reply;
        }
        return out;
    }

    QJsonObject safe()
    {
        for (const auto &v : m_clients.front()->safes().data.value("filesafes").toArray()) {
            if (v.toObject().value("safe_id").toString() == m_team)
                return v.toObject();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("ann", "pw").ok());
        QVERIFY(m_service.addUser("ben", "pw").ok());
        m_team = m_service.addSafe("ann", "Team", {"--type", "TEAMSAFE"});
        QVERIFY(m_service.shareSafe(m_team, "ben", {"--access", "crud", "--role", "2"}).ok());
        // Two users, two sessions each.
        for (const char *user : {"ann", "ann", "ben", "ben"}) {
            m_clients.push_back(std::make_unique<ServiceClient>(m_service));
            QVERIFY(m_clients.back()->login(user, "pw").loggedIn);
        }
    }

    void concurrentUploadsOfDistinctFiles()
    {
        const qint64 eventBefore = safe().value("last_event").toString().toLongLong();
        QList<QNetworkReply *> replies;
        qint64 bytes = 0;
        for (int round = 0; round < 8; ++round) {
            for (size_t c = 0; c < m_clients.size(); ++c) {
                const QByteArray content(1000 + int(c) * 100 + round * 7919, char('a' + round));
                bytes += content.size();
                replies << m_clients[c]->startUpload(m_team + "/", QStringLiteral("f-%1-%2.bin").arg(c).arg(round), content);
            }
        }
        const auto results = finish(replies);
        for (const auto &r : results)
            QVERIFY2(r.ok(), qPrintable(QStringLiteral("%1 %2 %3").arg(r.http).arg(r.status).arg(r.message)));
        const auto listing = m_clients.front()->objects(m_team, "/");
        QCOMPARE(listing.data.value("filesafe_objects").toArray().size(), 1 + 32);
        const QJsonObject after = safe();
        QCOMPARE(after.value("storage_used").toDouble(), double(bytes));
        QCOMPARE(after.value("last_event").toString().toLongLong(), eventBefore + 32);
    }

    void raceForOneNameHasOneWinner()
    {
        QList<QNetworkReply *> replies;
        for (size_t c = 0; c < m_clients.size(); ++c)
            replies << m_clients[c]->startUpload(m_team + "/", "race.txt", QByteArray("from client ") + char('0' + c));
        const auto results = finish(replies);
        int winners = 0;
        int winner = -1;
        for (int i = 0; i < results.size(); ++i) {
            if (results[i].ok()) {
                ++winners;
                winner = i;
            } else {
                QCOMPARE(results[i].status, 409);
            }
        }
        QCOMPARE(winners, 1);
        const QString id = results[winner].data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        QByteArray plain;
        bool decrypted = false;
        m_clients.front()->download(id, &plain, &decrypted);
        QCOMPARE(plain, QByteArray("from client ") + char('0' + winner));
    }

    void concurrentVersionsOfOneFile()
    {
        const auto first = m_clients.front()->upload(m_team + "/", "shared.doc", QByteArray(10, 's'));
        QVERIFY(first.ok());
        const QString id = first.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        const double usedBefore = safe().value("storage_used").toDouble();
        QList<QNetworkReply *> replies;
        for (int round = 0; round < 3; ++round) {
            for (size_t c = 0; c < m_clients.size(); ++c)
                replies << m_clients[c]->startUpload(m_team + "/", "shared.doc", QByteArray(100 + int(c), char('A' + c)), id);
        }
        for (const auto &r : finish(replies))
            QVERIFY(r.ok());
        QByteArray plain;
        bool decrypted = false;
        m_clients.front()->download(id, &plain, &decrypted);
        QVERIFY(decrypted);
        // The last version written is whole: one client's content, not a mix.
        QVERIFY(plain.size() >= 100 && plain.size() <= 103);
        QCOMPARE(plain, QByteArray(plain.size(), plain.at(0)));
        QCOMPARE(safe().value("storage_used").toDouble(), usedBefore - 10 + plain.size());
    }

    void listingsWhileUploading()
    {
        QList<QNetworkReply *> uploads;
        QList<QNetworkReply *> listings;
        for (int i = 0; i < 16; ++i) {
            uploads << m_clients[size_t(i) % m_clients.size()]->startUpload(m_team + "/", QStringLiteral("mixed-%1").arg(i),
                                                                            QByteArray(50000, 'm'));
            listings << m_clients[size_t(i + 1) % m_clients.size()]->startRequest(
                "GET", m_clients.front()->filesBase() + "info/" + m_team + "?depth=0&type=any", {}, {{"X-Object-Path", "%2F"}});
        }
        for (const auto &r : finish(uploads))
            QVERIFY(r.ok());
        for (const auto &r : finish(listings)) {
            QVERIFY(r.ok());
            QVERIFY(r.data.value("filesafe_objects").toArray().size() >= 1 + 32 + 1 + 1);
        }
        QCOMPARE(m_clients.front()->objects(m_team, "/").data.value("filesafe_objects").toArray().size(), 1 + 32 + 1 + 1 + 16);
    }
};

QTEST_MAIN(TestServiceConcurrency)
#include "tst_service_concurrency.moc"
