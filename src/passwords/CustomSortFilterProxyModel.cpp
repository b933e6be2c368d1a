#include "passwords/CustomSortFilterProxyModel.h"

CustomSortFilterProxyModel::CustomSortFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void CustomSortFilterProxyModel::setSearchColumns(const QList<int> &columns)
{
    m_columns = columns;
    invalidateFilter();
}

void CustomSortFilterProxyModel::setSearchPattern(const QString &wildcard)
{
    m_pattern = wildcard;
    // Anchored by the conversion; the stars around it make it "contains".
    m_expression = QRegularExpression(
        QRegularExpression::wildcardToRegularExpression(QLatin1Char('*') + wildcard + QLatin1Char('*')),
        QRegularExpression::DotMatchesEverythingOption);
    // An unfinished wildcard such as "[" is searched for as typed.
    if (!m_expression.isValid())
        m_expression = QRegularExpression(QRegularExpression::escape(wildcard));
    invalidateFilter();
}

void CustomSortFilterProxyModel::setIdFilter(const std::optional<QSet<QString>> &ids)
{
    m_ids = ids;
    invalidateFilter();
}

bool CustomSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *model = sourceModel();
    if (!model)
        return true;
    if (m_ids)
        return m_ids->contains(model->index(sourceRow, 0, sourceParent).data(IdRole).toString());
    if (m_pattern.isEmpty())
        return true;
    for (const int column : m_columns) {
        const QString text = model->index(sourceRow, column, sourceParent).data(SearchRole).toString();
        if (m_expression.match(text).hasMatch())
            return true;
    }
    return false;
}
