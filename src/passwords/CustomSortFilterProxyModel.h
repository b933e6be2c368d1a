#pragma once

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QSortFilterProxyModel>

#include <optional>

// The password list's filter: a row passes when the pattern is empty or when
// the search text (SearchRole) of any of the listed columns contains a match
// of the wildcard pattern, case-sensitively. An id filter instead lets only
// the rows through whose id (IdRole of column 0) is in a set: the answer of
// a search by password, which only the service can give.
class CustomSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    static constexpr int SearchRole = Qt::UserRole; // 256
    static constexpr int IdRole = Qt::UserRole + 1;

    explicit CustomSortFilterProxyModel(QObject *parent = nullptr);

    void setSearchColumns(const QList<int> &columns);
    QList<int> searchColumns() const { return m_columns; }
    // A wildcard pattern ("*", "?", "[...]"); empty lets every row pass.
    void setSearchPattern(const QString &wildcard);
    QString searchPattern() const { return m_pattern; }
    // Only these ids pass (nullopt: no id filter).
    void setIdFilter(const std::optional<QSet<QString>> &ids);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QList<int> m_columns;
    QString m_pattern;
    QRegularExpression m_expression;
    std::optional<QSet<QString>> m_ids;
};
