#include "passwords/CustomSortFilterProxyModel.h"
#include "passwords/PasswordEntryForm.h"
#include "passwords/PasswordListState.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QStandardItemModel>
#include <QtTest>

// The decisions behind the password views, without widgets: the count line,
// the search filter and how a password is cut to fit.
class TestPasswordListRules : public QObject
{
    Q_OBJECT
private slots:
    void countLine_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("canAdd");
        QTest::newRow("one of 9999 -> used-of-available, singular") << 1 << 9999 << "Used 1 password of 9999 available" << true;
        QTest::newRow("0 of 100 -> plural") << 0 << 100 << "Used 0 passwords of 100 available" << true;
        QTest::newRow("3 of 3 -> full") << 3 << 3 << "Used 3 passwords of 3 available" << false;
        QTest::newRow("maximum 10000 -> plain count") << 7 << 10000 << "Number of passwords: 7" << true;
    }
    void countLine()
    {
        QFETCH(int, count);
        QFETCH(int, maximum);
        QFETCH(QString, text);
        QFETCH(bool, canAdd);
        PasswordListState state;
        QVERIFY(!state.canAdd()); // nothing known before the list came
        state.setCounts(count, maximum);
        QCOMPARE(state.countText(), text);
        QCOMPARE(state.canAdd(), canAdd);
    }

    void searchFilter_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("empty -> every row") << 0 << "" << QStringList{"Bank", "Mail", "mail archive"};
        QTest::newRow("all fields, 'ail' -> case-sensitive contains") << 0 << "ail" << QStringList{"Mail", "mail archive"};
        QTest::newRow("all fields, 'Mail' -> not 'mail archive'") << 0 << "Mail" << QStringList{"Mail"};
        QTest::newRow("user name field, 'bob' -> the user's row") << 2 << "bob" << QStringList{"Bank"};
        QTest::newRow("title field, 'bob' -> nothing") << 1 << "bob" << QStringList{};
        QTest::newRow("wildcard 'M*l' -> Mail") << 1 << "M*l" << QStringList{"Mail"};
        QTest::newRow("unfinished wildcard '[' -> searched as typed") << 4 << "[" << QStringList{};
    }
    void searchFilter()
    {
        QFETCH(int, field);
        QFETCH(QString, pattern);
        QFETCH(QStringList, titles);
        QStandardItemModel model(0, PasswordListState::ColumnCount);
        const QList<QStringList> rows{{"Bank", "bob", "******", "https://bank", ""},
                                      {"Mail", "alice", "******", "https://mail", "work"},
                                      {"mail archive", "alice", "******", "", "[old]"}};
        for (const QStringList &row : rows) {
            QList<QStandardItem *> items;
            for (const QString &text : row) {
                items << new QStandardItem(text);
                items.last()->setData(text, CustomSortFilterProxyModel::SearchRole);
            }
            model.appendRow(items);
        }
        CustomSortFilterProxyModel proxy;
        proxy.setSourceModel(&model);
        proxy.setSearchColumns(PasswordListState::searchColumns(field));
        proxy.setSearchPattern(pattern);
        QStringList shown;
        for (int r = 0; r < proxy.rowCount(); ++r)
            shown << proxy.index(r, 0).data().toString();
        QCOMPARE(shown, titles);
    }

    void truncation_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("cut");
        QTest::newRow("fits -> unchanged") << "short" << false;
        QTest::newRow("wider than the field -> cut with the suffix") << QString(200, 'W') << true;
    }
    void truncation()
    {
        QFETCH(QString, password);
        QFETCH(bool, cut);
        const QFontMetrics metrics(QGuiApplication::font());
        const int width = 300;
        const QString shown = PasswordEntryForm::truncated(password, metrics, width);
        QCOMPARE(shown == password, !cut);
        if (cut) {
            QVERIFY(shown.endsWith("... (truncated)"));
            QVERIFY(password.startsWith(shown.left(shown.size() - QString("... (truncated)").size())));
            QVERIFY(metrics.horizontalAdvance(shown) < int(0.9 * width));
        }
    }

    void entryModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("saveAndAdd");
        QTest::newRow("view -> read-only, no save") << int(PasswordEntryForm::View) << "Password Entry" << false << false;
        QTest::newRow("edit -> no 'save and add'") << int(PasswordEntryForm::Edit) << "Edit password" << true << false;
        QTest::newRow("create -> 'save and add'") << int(PasswordEntryForm::Create) << "Add password" << true << true;
    }
    void entryModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(bool, editable);
        QFETCH(bool, saveAndAdd);
        const PasswordEntryForm form{PasswordEntryForm::Mode(mode)};
        QCOMPARE(form.windowTitle(), title);
        QCOMPARE(form.isEditable(), editable);
        QCOMPARE(form.showsButton(PasswordEntryForm::Save), editable);
        QCOMPARE(form.showsButton(PasswordEntryForm::Suggest), editable);
        QCOMPARE(form.showsButton(PasswordEntryForm::EditButton), !editable);
        QCOMPARE(form.showsButton(PasswordEntryForm::SaveAndAddAnother), saveAndAdd);
        QVERIFY(!PasswordEntryForm::isTitleValid("  \t "));
        QVERIFY(PasswordEntryForm::isTitleValid(" x "));
    }
};

QTEST_MAIN(TestPasswordListRules)
#include "tst_passwordlistrules.moc"
