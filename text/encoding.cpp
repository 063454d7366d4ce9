#include "text/encoding.h"

#include <cstddef>
#include <cstdint>

namespace {

// The characters Windows-1252 puts in 0x80..0x9F, indexed by byte - 0x80 (0: unused byte).
constexpr uint16_t CP1252_HIGH_CONTROLS[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at `p`; returns its length, or 0 when it is not valid
// (overlong, surrogate, above U+10FFFF, truncated or a stray continuation byte).
int decode_utf8(const unsigned char* p, uint32_t* code_point) {
    if (p[0] < 0x80) {
        *code_point = p[0];
        return 1;
    }
    int length;
    uint32_t minimum;
    if ((p[0] & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, *code_point = p[0] & 0x1F;
    } else if ((p[0] & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, *code_point = p[0] & 0x0F;
    } else if ((p[0] & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, *code_point = p[0] & 0x07;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;  // also stops at the terminating NUL
        *code_point = (*code_point << 6) | (p[i] & 0x3F);
    }
    bool surrogate = *code_point >= 0xD800 && *code_point <= 0xDFFF;
    if (*code_point < minimum || *code_point > 0x10FFFF || surrogate) return 0;
    return length;
}

bool is_valid_utf8(const unsigned char* p) {
    uint32_t ignored;
    while (*p != '\0') {
        int length = decode_utf8(p, &ignored);
        if (length == 0) return false;
        p += length;
    }
    return true;
}

// The Windows-1252 byte for `code_point`, or 0 when it has none.
unsigned char to_cp1252(uint32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
        return static_cast<unsigned char>(code_point);
    for (int i = 0; i < 32; ++i) {
        if (CP1252_HIGH_CONTROLS[i] != 0 && CP1252_HIGH_CONTROLS[i] == code_point) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return 0;
}

}  // namespace

int convert_to_windows_1252(char* text) {
    unsigned char* read = reinterpret_cast<unsigned char*>(text);
    if (!is_valid_utf8(read)) return 0;
    unsigned char* write = read;
    int replaced = 0;
    while (*read != '\0') {
        uint32_t code_point = 0;
        read += decode_utf8(read, &code_point);
        unsigned char byte = to_cp1252(code_point);
        if (byte == 0) {
            byte = '?';
            ++replaced;
        }
        *write++ = byte;
    }
    *write = '\0';
    return replaced;
}
