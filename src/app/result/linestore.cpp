#include "app/result/linestore.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

// UTF-8, except that a surrogate without its partner is written as the
// three bytes its value would take: the text comes back unit for unit.
void Encode(QStringView text, std::string &out)
{
    const qsizetype n = text.size();
    out.resize(size_t(n) * 3);   // never more than three bytes a unit
    char *p = out.data();
    const QChar *s = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            const char32_t u = QChar::surrogateToUcs4(c, s[i + 1].unicode());
            ++i;
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(size_t(p - out.data()));
}

// The bytes Encode() writes for `text`.
size_t EncodedSize(QStringView text)
{
    const qsizetype n = text.size();
    const QChar *s = text.data();
    size_t bytes = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            ++i;
            bytes += 4;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

// The inverse of Encode() on what Encode() wrote.
QString Decode(const std::string &bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const size_t n = bytes.size();
    QString out(qsizetype(n), Qt::Uninitialized);   // never more units than bytes
    QChar *d = out.data();
    qsizetype o = 0;
    for (size_t i = 0; i < n;) {
        const unsigned char lead = b[i];
        if (lead < 0x80) {
            d[o++] = QChar(char16_t(lead));
            i += 1;
        } else if (lead < 0xE0) {
            d[o++] = QChar(char16_t(((lead & 0x1F) << 6) | (b[i + 1] & 0x3F)));
            i += 2;
        } else if (lead < 0xF0) {
            d[o++] = QChar(char16_t(((lead & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F)));
            i += 3;
        } else {
            const char32_t u = (char32_t(lead & 0x07) << 18) | (char32_t(b[i + 1] & 0x3F) << 12)
                               | (char32_t(b[i + 2] & 0x3F) << 6) | char32_t(b[i + 3] & 0x3F);
            d[o++] = QChar(QChar::highSurrogate(u));
            d[o++] = QChar(QChar::lowSurrogate(u));
            i += 4;
        }
    }
    out.truncate(o);
    return out;
}

size_t VarintSize(size_t v)
{
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char *PutVarint(char *p, size_t v)
{
    while (v >= 0x80) {
        *p++ = char(0x80 | (v & 0x7F));
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

const char *GetVarint(const char *p, size_t &v)
{
    v = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*p++);
        v |= size_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return p;
    }
}

} // namespace

LineStore::Position LineStore::Reserve(size_t bytes)
{
    if (m_chunks.empty() || m_chunks.back().size - m_chunks.back().used < bytes) {
        Chunk chunk;
        chunk.size = uint32_t(std::max<size_t>(ChunkBytes, bytes));
        chunk.data.reset(new char[chunk.size]);
        m_chunks.push_back(std::move(chunk));
    }
    return Position{uint32_t(m_chunks.size() - 1), m_chunks.back().used};
}

void LineStore::Append(QStringView line)
{
    // What the line shares with the one before is found in UTF-16 and only
    // the rest is encoded: a folder's lines differ in their last name only.
    // The first line of a group is stored whole.
    const size_t units = size_t(line.size());
    size_t sharedUnits = 0;
    if (m_count % GroupLines != 0) {
        const size_t most = std::min(m_lastUnits.size(), units);
        const char16_t *before = m_lastUnits.data();
        const char16_t *now = line.utf16();
        while (sharedUnits < most && before[sharedUnits] == now[sharedUnits])
            ++sharedUnits;
        // A surrogate pair is encoded as one: a high surrogate is shared
        // only with what follows it, in either line.
        if (sharedUnits > 0 && QChar::isHighSurrogate(now[sharedUnits - 1]))
            --sharedUnits;
    }
    const size_t shared = EncodedSize(line.first(qsizetype(sharedUnits)));
    Encode(line.sliced(qsizetype(sharedUnits)), m_scratch);
    const size_t rest = m_scratch.size();
    const size_t record = VarintSize(shared) + VarintSize(rest) + rest;
    const Position at = Reserve(record);
    if (m_count % GroupLines == 0)
        m_groups.push_back(at);
    Chunk &chunk = m_chunks[at.chunk];
    char *p = chunk.data.get() + at.offset;
    p = PutVarint(p, shared);
    p = PutVarint(p, rest);
    if (rest > 0)
        std::memcpy(p, m_scratch.data(), rest);
    chunk.used += uint32_t(record);
    m_lastUnits.assign(line.utf16(), units);
    ++m_count;
}

void LineStore::ReadRecord(Position &at, std::string &bytes) const
{
    // A record that did not fit in what was left of a chunk starts the next.
    if (at.offset >= m_chunks[at.chunk].used) {
        ++at.chunk;
        at.offset = 0;
    }
    const char *start = m_chunks[at.chunk].data.get() + at.offset;
    size_t shared = 0, rest = 0;
    const char *p = GetVarint(start, shared);
    p = GetVarint(p, rest);
    bytes.resize(shared);
    bytes.append(p, rest);
    at.offset += uint32_t(p + rest - start);
}

QString LineStore::At(int index) const
{
    if (index < 0 || index >= m_count)
        return QString();
    Cursor &c = m_cursor;
    const int group = index / GroupLines;
    // Onwards from the line read last when it lies in the same group (or
    // ends the one before); else from the group's first line.
    if (c.index < 0 || c.index > index || c.index < group * GroupLines - 1) {
        c.index = group * GroupLines - 1;
        c.next = m_groups[size_t(group)];
        c.bytes.clear();
    }
    while (c.index < index) {
        ReadRecord(c.next, c.bytes);
        ++c.index;
    }
    return Decode(c.bytes);
}

void LineStore::Clear()
{
    // Swapped with empty ones: clear() alone would keep the capacity.
    std::vector<Chunk>().swap(m_chunks);
    std::vector<Position>().swap(m_groups);
    std::u16string().swap(m_lastUnits);
    std::string().swap(m_scratch);
    std::string().swap(m_cursor.bytes);
    m_cursor.index = -1;
    m_cursor.next = Position();
    m_count = 0;
}

size_t LineStore::BytesHeld() const
{
    // A short string lives inside its object: only a longer one allocates.
    const auto allocated = [](const auto &s) {
        using String = std::decay_t<decltype(s)>;
        return s.capacity() > String().capacity() ? s.capacity() * sizeof(typename String::value_type) : 0;
    };
    size_t total = m_chunks.capacity() * sizeof(Chunk) + m_groups.capacity() * sizeof(Position)
                   + allocated(m_lastUnits) + allocated(m_scratch) + allocated(m_cursor.bytes);
    for (const Chunk &chunk : m_chunks)
        total += chunk.size;
    return total;
}
