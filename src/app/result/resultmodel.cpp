#include "app/result/resultmodel.h"

#include "common/resultline.h"
#include "platform/nativepath.h"
#include "platform/system.h"

#include <QMimeData>
#include <QUrl>

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
        return platform::ShownText(m_lines.At(index.row()));
    return QVariant();
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid() && index.row() < m_published && !common::PathOfLine(m_lines.At(index.row())).isEmpty())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList ResultModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData *ResultModel::mimeData(const QModelIndexList &indexes) const
{
    QList<QUrl> urls;
    for (const QModelIndex &index : indexes) {
        if (!index.isValid() || index.row() >= m_published)
            continue;
        const QString path = common::PathOfLine(m_lines.At(index.row()));
        if (!path.isEmpty())
            urls << platform::LocalFileUrl(path);
    }
    if (urls.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions ResultModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::LinkAction;
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
    m_lines.Clear();
    m_published = 0;
    m_counts.fill(0);
    endResetModel();
    // The allocator would otherwise keep the freed chunks for itself.
    platform::ReturnFreedMemory();
}
