#pragma once
// The lines of the result window.  Appending is O(1): the text is stored at
// once (every caller reads it right away), while the rows are announced to
// the view in batches, at most once per frame, so a long search never makes
// the view lay out or repaint per line.  The text is kept compactly (see
// LineStore): a million lines take tens of megabytes, not hundreds.

#include "app/result/linestore.h"
#include "common/resultline.h"

#include <QAbstractListModel>
#include <QStringList>
#include <array>

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
        m_lines.Append(line);
        ++m_counts[static_cast<size_t>(common::KindOfLine(line))];
    }
    // Announces the rows appended since the last call.
    void Publish();
    // Drops every line and hands the memory they took back to the system.
    void Clear();

    int LineCount() const { return m_lines.Count(); }
    QString Line(int index) const { return m_lines.At(index); }
    // Bytes the lines' text takes.
    size_t BytesHeld() const { return m_lines.BytesHeld(); }
    // How many lines of the kind the list holds.
    int CountOf(common::LineKind kind) const { return m_counts[static_cast<size_t>(kind)]; }

private:
    LineStore m_lines;
    int m_published = 0;
    std::array<int, 5> m_counts{};
};
