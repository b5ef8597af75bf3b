#pragma once
// The lines of the result window.  Appending is O(1): the text is stored at
// once (every caller reads it right away), while the rows are announced to
// the view in batches, at most once per frame, so a long search never makes
// the view lay out or repaint per line.

#include "common/resultline.h"

#include <QAbstractListModel>
#include <QStringList>
#include <array>
#include <vector>

class ResultModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ResultModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Lines that name a path can be dragged out as that file's URL.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    void Append(const QString &line)
    {
        m_lines.push_back(line);
        ++m_counts[static_cast<size_t>(common::KindOfLine(line))];
    }
    // Announces the rows appended since the last call.
    void Publish();
    void Clear();

    int LineCount() const { return static_cast<int>(m_lines.size()); }
    const QString &Line(int index) const { return m_lines[static_cast<size_t>(index)]; }
    // How many lines of the kind the list holds.
    int CountOf(common::LineKind kind) const { return m_counts[static_cast<size_t>(kind)]; }

private:
    std::vector<QString> m_lines;
    int m_published = 0;
    std::array<int, 5> m_counts{};
};
