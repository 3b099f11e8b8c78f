// ChunkReader.h - CChunkReader follows the framing of a chunked body (size
// lines with extensions, data, CR LF, last chunk, trailers up to the blank
// line) as bytes arrive in pieces of any size. The caller either keeps the
// data pieces (de-chunking) or passes every consumed byte on unchanged.
// Limits: a size line or the trailers longer than their cap, a size beyond
// 2^31-1 or a missing CR LF after data make the body malformed.
#pragma once

#include <string>

class CChunkReader {
public:
    enum Result { NEED_MORE, FRAMING, DATA, DONE, MALFORMED };

    void Reset() { *this = CChunkReader(); }
    bool IsDone() const { return m_state == DONE_STATE; }

    // Consumes from data[0..length). *consumed is how many bytes were used;
    // for DATA the piece is data[0..*consumed) and holds body bytes, for
    // FRAMING it holds only framing and data follows. NEED_MORE: everything
    // was consumed and the body goes on. DONE: the trailers' blank line was
    // the last byte consumed.
    Result Step(const char* data, int length, int* consumed);

private:
    enum State { SIZE_LINE, CHUNK_DATA, DATA_END, TRAILER, DONE_STATE, BAD_STATE };
    static const int kMaxLine = 4096;
    static const int kMaxTrailer = 64 * 1024;
    State m_state = SIZE_LINE;
    std::string m_line;
    long long m_left = 0;
    bool m_sawCR = false;
    int m_trailerBytes = 0;
};
