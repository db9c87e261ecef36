#pragma once

// The entry points of the fuzz targets and a reader that takes a fuzz input apart. Each entry
// point runs one input through the code under test and aborts (a finding) when the code breaks
// a rule that holds for every input; errors the code reports by design are not findings. The
// libFuzzer programs call them, and the regression test replays the kept inputs through them.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

int FuzzProjectFile(const uint8_t* data, size_t size);
int FuzzDefineFile(const uint8_t* data, size_t size);
int FuzzLanguageFile(const uint8_t* data, size_t size);
int FuzzModbusReplies(const uint8_t* data, size_t size);
int FuzzRegisterDecoders(const uint8_t* data, size_t size);

// Aborts with a message when a rule is broken.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool AtEnd() const { return m_position >= m_size; }
    size_t Remaining() const { return m_size - m_position; }
    // 0 past the end.
    uint8_t Byte() { return AtEnd() ? 0 : m_data[m_position++]; }
    uint16_t Word() { return uint16_t(Byte() | Byte() << 8); }
    // Up to count bytes.
    QByteArray Bytes(size_t count)
    {
        count = count < Remaining() ? count : Remaining();
        QByteArray bytes(reinterpret_cast<const char*>(m_data + m_position), qsizetype(count));
        m_position += count;
        return bytes;
    }
    QByteArray Rest() { return Bytes(Remaining()); }
    // A piece preceded by its 16-bit length.
    QByteArray Piece() { return Bytes(Word()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};
