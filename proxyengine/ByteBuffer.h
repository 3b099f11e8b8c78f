// ByteBuffer.h - CByteBuffer, bytes waiting to be handled, read from the
// front by advancing an offset. The space before the offset is reclaimed
// only when it outweighs the rest, so handling a large body piece by piece
// stays linear instead of moving the remainder after every piece.
// Deliberately not: a ring buffer or a zero-copy chain.
#pragma once

#include <string>

class CByteBuffer {
public:
    const char* Data() const { return m_bytes.data() + m_start; }
    int Size() const { return int(m_bytes.size() - m_start); }
    bool IsEmpty() const { return m_bytes.size() == m_start; }
    void Append(const char* data, int length) {
        if (length > 0) m_bytes.append(data, size_t(length));
    }
    void Consume(int count) {
        m_start += size_t(count);
        if (m_start >= m_bytes.size()) {
            Clear();
        } else if (m_start > 65536 && m_start * 2 > m_bytes.size()) {
            m_bytes.erase(0, m_start);
            m_start = 0;
        }
    }
    void Clear() {
        m_bytes.clear();
        m_start = 0;
    }
    std::string Text() const { return std::string(Data(), size_t(Size())); }

private:
    std::string m_bytes;
    size_t m_start = 0;
};
