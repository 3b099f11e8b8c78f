#include "ChunkReader.h"

#include <cctype>

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(tolower((unsigned char)c));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

CChunkReader::Result CChunkReader::Step(const char* data, int length, int* consumed) {
    *consumed = 0;
    int i = 0;
    while (i < length) {
        switch (m_state) {
        case SIZE_LINE: {
            char c = data[i++];
            if (c != '\n') {
                if (int(m_line.size()) >= kMaxLine) { m_state = BAD_STATE; *consumed = i; return MALFORMED; }
                m_line += c;
                break;
            }
            size_t p = 0;
            while (p < m_line.size() && (unsigned char)m_line[p] < 33) ++p;
            long long size = 0;
            int digits = 0;
            for (; p < m_line.size() && HexValue(m_line[p]) >= 0; ++p, ++digits) {
                size = size * 16 + HexValue(m_line[p]);
                if (size > 0x7FFFFFFFLL) { m_state = BAD_STATE; *consumed = i; return MALFORMED; }
            }
            m_line.clear();
            if (digits == 0) { m_state = BAD_STATE; *consumed = i; return MALFORMED; }
            m_left = size;
            m_state = size == 0 ? TRAILER : CHUNK_DATA;
            m_trailerBytes = 0;
            break;
        }
        case CHUNK_DATA: {
            if (i > 0) { *consumed = i; return FRAMING; }
            long long n = length < m_left ? length : m_left;
            m_left -= n;
            if (m_left == 0) { m_state = DATA_END; m_sawCR = false; }
            *consumed = int(n);
            return DATA;
        }
        case DATA_END: {
            char c = data[i++];
            if (c == '\r' && !m_sawCR) { m_sawCR = true; break; }
            if (c != '\n') { m_state = BAD_STATE; *consumed = i; return MALFORMED; }
            m_state = SIZE_LINE;
            break;
        }
        case TRAILER: {
            char c = data[i++];
            if (++m_trailerBytes > kMaxTrailer) { m_state = BAD_STATE; *consumed = i; return MALFORMED; }
            if (c != '\n') { m_line += c; break; }
            bool blank = m_line.empty() || m_line == "\r";
            m_line.clear();
            if (blank) { m_state = DONE_STATE; *consumed = i; return DONE; }
            break;
        }
        case DONE_STATE:
            *consumed = i;
            return DONE;
        case BAD_STATE:
            *consumed = i;
            return MALFORMED;
        }
    }
    *consumed = i;
    if (m_state == DONE_STATE) return DONE;
    if (m_state == BAD_STATE) return MALFORMED;
    return NEED_MORE;
}
