#include "net/JsonReader.h"

#include <QtTest>

// The JSON readers' error texts are part of the client's logs and of other
// components' messages; they must say exactly what is wrong and where.
class TestJsonReader : public QObject
{
    Q_OBJECT
private slots:
    void document_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("nonEmpty");
        QTest::addColumn<QString>("error");
        QTest::newRow("object -> ok") << QByteArray(R"({"a":1})") << true << QString();
        QTest::newRow("syntax error -> parse error with code and offset")
            << QByteArray(R"({"a":tru})") << false << QStringLiteral(R"(json document parse error: .+ \(code=\d+, pos=\d+\)$)");
        QTest::newRow("array -> not an object") << QByteArray("[1]") << false
                                                << QStringLiteral("json document is not an object");
        QTest::newRow("empty object where content is needed -> empty object")
            << QByteArray("{}") << true << QStringLiteral("json document is an empty object");
        QTest::newRow("empty object allowed -> ok") << QByteArray("{}") << false << QString();
    }
    void document()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, nonEmpty);
        QFETCH(QString, error);
        const JsonReader r = JsonReader::fromText(text, nonEmpty ? JsonReader::NonEmpty : JsonReader::AllowEmpty);
        QCOMPARE(r.ok(), error.isEmpty());
        QVERIFY2(QRegularExpression(QLatin1Char('^') + error).match(r.error()).hasMatch(), qPrintable(r.error()));
    }

    void members_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("optional");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing required -> missing key") << QByteArray("{}") << "string" << false
                                                         << "json object: missing key: 'k'";
        QTest::newRow("missing optional -> ok") << QByteArray("{}") << "string" << true << QString();
        QTest::newRow("null required -> missing key") << QByteArray(R"({"k":null})") << "number" << false
                                                      << "json object: missing key: 'k'";
        QTest::newRow("number as string -> not a string") << QByteArray(R"({"k":1})") << "string" << false
                                                          << "json object: key 'k': value is not a string";
        QTest::newRow("wrong type even when optional -> error") << QByteArray(R"({"k":1})") << "string" << true
                                                                 << "json object: key 'k': value is not a string";
        QTest::newRow("string as number -> not a number") << QByteArray(R"({"k":"1"})") << "number" << false
                                                          << "json object: key 'k': value is not a number";
        QTest::newRow("fraction as int -> not an integer") << QByteArray(R"({"k":1.5})") << "int" << false
                                                           << "json object: key 'k': value is not an integer";
        QTest::newRow("beyond 32 bits as int -> not an integer") << QByteArray(R"({"k":4294967296})") << "int"
                                                                 << false
                                                                 << "json object: key 'k': value is not an integer";
        QTest::newRow("object as array -> not a json array") << QByteArray(R"({"k":{}})") << "array" << false
                                                             << "json object: key 'k': value is not a json array";
        QTest::newRow("string list with a number -> element index")
            << QByteArray(R"({"k":["a",2]})") << "strings" << false << "json array: value 1 is not a string";
        QTest::newRow("int list with a fraction -> element index")
            << QByteArray(R"({"k":[1,2.5]})") << "ints" << false << "json array: value 1 is not an integer";
        QTest::newRow("element that is no object -> element index")
            << QByteArray(R"({"k":[{},3]})") << "element" << false << "json array: value 1 is not a json object";
    }
    void members()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, kind);
        QFETCH(bool, optional);
        QFETCH(QString, error);
        JsonReader r = JsonReader::fromText(text);
        const auto presence = optional ? JsonReader::Optional : JsonReader::Required;
        const QString key = QStringLiteral("k");
        if (kind == QLatin1String("string"))
            r.toString(key, presence);
        else if (kind == QLatin1String("number"))
            r.toDouble(key, presence);
        else if (kind == QLatin1String("int"))
            r.toInt(key, presence);
        else if (kind == QLatin1String("array"))
            r.toArray(key, presence);
        else if (kind == QLatin1String("strings"))
            r.toStringList(key, presence);
        else if (kind == QLatin1String("ints"))
            r.toIntList(key, presence);
        else if (kind == QLatin1String("element"))
            r.element(r.toArray(key, presence), 1);
        QCOMPARE(r.error(), error);
    }

    void int64KeepsEveryDigit()
    {
        JsonReader r = JsonReader::fromText(R"({"big":9007199254740993,"neg":-5})");
        QCOMPARE(r.toInt64(QStringLiteral("big")), Q_INT64_C(9007199254740993));
        QCOMPARE(r.toInt64(QStringLiteral("neg")), Q_INT64_C(-5));
        QVERIFY(r.ok());
    }

    // A child's error is its parent's; the first error wins and later reads
    // are empty.
    void childrenShareTheFirstError()
    {
        JsonReader r = JsonReader::fromText(R"({"list":[{"a":"1"},{"b":"2"}],"request":"poll","third":{"x":1}})");
        const QJsonArray list = r.toArray(QStringLiteral("list"));
        QCOMPARE(r.element(list, 0).toString(QStringLiteral("a")), QStringLiteral("1"));
        JsonReader second = r.element(list, 1);
        second.toString(QStringLiteral("a"));
        QVERIFY(!r.ok());
        QCOMPARE(r.toString(QStringLiteral("request")), QString());
        QCOMPARE(r.toInt(QStringLiteral("request")), 0);
        QCOMPARE(r.child(QStringLiteral("third")).toInt(QStringLiteral("x")), 0);
        QCOMPARE(r.error(), QStringLiteral("json object: missing key: 'a'"));
    }
};

QTEST_GUILESS_MAIN(TestJsonReader)
#include "tst_jsonreader.moc"
