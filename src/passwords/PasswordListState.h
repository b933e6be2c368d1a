#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

// The decisions of the password list: the count line, whether another entry
// may be added, and which columns a search looks at.
class PasswordListState
{
    Q_DECLARE_TR_FUNCTIONS(PasswordListState)
public:
    enum Column { TitleColumn = 0, UsernameColumn, PasswordColumn, UrlColumn, CommentColumn, ColumnCount };
    // The search selector's entries; the password search asks the service.
    enum SearchField { AllFields = 0, TitleField, UsernameField, UrlField, PasswordField, CommentField };

    void setCounts(int count, int maximum);
    int count() const { return m_count; }
    int maximum() const { return m_maximum; }
    bool isLoaded() const { return m_loaded; }
    void reset();

    // "Number of passwords: %1" from a maximum of 10000 on, else the
    // used-of-available form.
    QString countText() const;
    // Another entry fits under the account's maximum.
    bool canAdd() const { return m_loaded && m_count < m_maximum; }

    static QStringList columnTitles();
    static QStringList searchFieldNames();
    static bool isPasswordSearch(int field) { return field == PasswordField; }
    // The columns a text search looks at (none for the password search).
    static QList<int> searchColumns(int field);

private:
    int m_count = 0;
    int m_maximum = 0;
    bool m_loaded = false;
};
