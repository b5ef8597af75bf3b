#include "app/result/resultmodel.h"

#include "platform/nativepath.h"

ResultModel::ResultModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_published;
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_published)
        return QVariant();
    // A line keeps a name's undecodable bytes (for the double-click); it
    // shows them as U+FFFD.
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return platform::ShownText(m_lines[static_cast<size_t>(index.row())]);
    return QVariant();
}

void ResultModel::Publish()
{
    const int total = LineCount();
    if (total == m_published)
        return;
    beginInsertRows(QModelIndex(), m_published, total - 1);
    m_published = total;
    endInsertRows();
}

void ResultModel::Clear()
{
    beginResetModel();
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_published = 0;
    endResetModel();
}
