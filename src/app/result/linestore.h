#pragma once
// The text of the result lines, kept compactly: a search can write a
// million lines, and one separately allocated string per line costs about
// 400 bytes each.
//
// Lines are stored as UTF-8 in chunks of a fixed size, so appending never
// moves what is already stored.  Consecutive lines mostly share a long
// beginning (the kind of line, the pattern, the folder), so each line
// keeps only how many bytes it shares with the line before and the bytes
// that differ; every 16th line is stored whole, so that any line is
// rebuilt from at most 16 records.  A reader going down the lines (a
// paint, a save) continues from the line it read last.
//
// Every QString comes back exactly as it went in: unpaired surrogates are
// stored as three-byte sequences of their own (as UTF-8 would store the
// code point if it were one), so that nothing is replaced on the way.

#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LineStore {
public:
    LineStore() = default;
    LineStore(const LineStore &) = delete;
    LineStore &operator=(const LineStore &) = delete;

    void Append(QStringView line);
    int Count() const { return m_count; }
    // Line `index` (0 <= index < Count()).
    QString At(int index) const;
    // Drops every line and frees every chunk.
    void Clear();
    // Bytes allocated for the lines: chunks, the index and the buffers.
    size_t BytesHeld() const;

    // Lines between two stored whole; a reader rebuilds at most this many.
    static constexpr int GroupLines = 16;
    // Bytes of a chunk; a longer line gets a chunk of its own size.
    static constexpr uint32_t ChunkBytes = 256 * 1024;

private:
    struct Chunk {
        std::unique_ptr<char[]> data;
        uint32_t size = 0;
        uint32_t used = 0;
    };
    struct Position {
        uint32_t chunk = 0;
        uint32_t offset = 0;
    };
    // The place where the next `bytes` bytes can be written in one piece.
    Position Reserve(size_t bytes);
    // Reads the record at `at` on top of `bytes` (the line before it) and
    // moves `at` past it.
    void ReadRecord(Position &at, std::string &bytes) const;

    std::vector<Chunk> m_chunks;
    std::vector<Position> m_groups;   // where each group's first record starts
    std::u16string m_lastUnits;       // the newest line
    std::string m_scratch;
    int m_count = 0;

    // The line read last, and where the record after it starts.
    struct Cursor {
        int index = -1;
        Position next;
        std::string bytes;
    };
    mutable Cursor m_cursor;
};
