#include "passwords/PasswordListState.h"

#include <QStringList>

void PasswordListState::setCounts(int count, int maximum)
{
    m_count = count;
    m_maximum = maximum;
    m_loaded = true;
}

void PasswordListState::reset()
{
    *this = PasswordListState();
}

QString PasswordListState::countText() const
{
    if (!m_loaded)
        return QString();
    if (m_maximum >= 10000)
        return tr("Number of passwords: %1").arg(m_count);
    if (m_count == 1)
        return tr("Used %1 password of %2 available").arg(m_count).arg(m_maximum);
    return tr("Used %1 passwords of %2 available").arg(m_count).arg(m_maximum);
}

QStringList PasswordListState::columnTitles()
{
    return {tr("Title"), tr("Username"), tr("Password"), tr("Web Address"), tr("Comment")};
}

QStringList PasswordListState::searchFieldNames()
{
    return {tr("All fields"), tr("Title"), tr("Username"), tr("Web Address"), tr("Password"), tr("Comment")};
}

QList<int> PasswordListState::searchColumns(int field)
{
    switch (field) {
    case TitleField:
        return {TitleColumn};
    case UsernameField:
        return {UsernameColumn};
    case UrlField:
        return {UrlColumn};
    case CommentField:
        return {CommentColumn};
    case PasswordField:
        return {};
    default:
        return {TitleColumn, UsernameColumn, UrlColumn, CommentColumn};
    }
}
