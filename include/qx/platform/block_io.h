#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Reading and writing a byte block field by field as 32-bit little-endian values, the layout of
// every binary block the library exchanges. Each call checks the bounds and returns 0 (moving
// nothing) when the field does not fit.
class QxBlockWriter {
public:
    QxBlockWriter(void* data, std::size_t size)
        : m_Data(static_cast<unsigned char*>(data)), m_Size(data ? size : 0) {}

    int WriteU32(std::uint32_t value) {
        if (m_Size - m_Pos < 4) return 0;
        for (int i = 0; i < 4; ++i) m_Data[m_Pos++] = static_cast<unsigned char>(value >> (8 * i));
        return 1;
    }
    int WriteI32(std::int32_t value) { return WriteU32(static_cast<std::uint32_t>(value)); }
    int WriteF32(float value) { return WriteU32(std::bit_cast<std::uint32_t>(value)); }

    std::size_t GetPos() const { return m_Pos; }

private:
    unsigned char* m_Data;
    std::size_t m_Size;
    std::size_t m_Pos = 0;
};

class QxBlockReader {
public:
    QxBlockReader(const void* data, std::size_t size)
        : m_Data(static_cast<const unsigned char*>(data)), m_Size(data ? size : 0) {}

    int ReadU32(std::uint32_t& value) {
        if (m_Size - m_Pos < 4) return 0;
        value = 0;
        for (int i = 0; i < 4; ++i) value |= std::uint32_t{m_Data[m_Pos++]} << (8 * i);
        return 1;
    }
    int ReadI32(std::int32_t& value) {
        std::uint32_t bits = 0;
        if (!ReadU32(bits)) return 0;
        value = static_cast<std::int32_t>(bits);
        return 1;
    }
    int ReadF32(float& value) {
        std::uint32_t bits = 0;
        if (!ReadU32(bits)) return 0;
        value = std::bit_cast<float>(bits);
        return 1;
    }

    std::size_t GetPos() const { return m_Pos; }
    // Bytes not read yet: a reader compares a count with this before reserving room for it.
    std::size_t GetRemaining() const { return m_Size - m_Pos; }

private:
    const unsigned char* m_Data;
    std::size_t m_Size;
    std::size_t m_Pos = 0;
};
