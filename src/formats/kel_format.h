#pragma once

// What the scene-file reader and writer share: the texts of values and the separators.

inline constexpr const char* QxKelRecordSeparator = ",\r\n";
// Separators of number lists, and those of a face's corner count and vertex indices.
inline constexpr const char* QxKelNumberSeparators = ", \t\r\n";
inline constexpr const char* QxKelIndexSeparators = ";, \t\r\n";
// Objects nested deeper than this below the root model are not read: every walk of the object
// tree recurses on depth, and a file must not be able to exhaust the stack.
inline constexpr unsigned int QxKelMaxDepth = 512;

inline const char* QxKelBoolText(unsigned int value) { return value ? "True" : "False"; }

// "X", "Y", "Z" for the axes 1, 2, 4; null for any other value (the element is left out).
inline const char* QxKelAxisText(unsigned int axis) {
    switch (axis) {
    case 1: return "X";
    case 2: return "Y";
    case 4: return "Z";
    default: return nullptr;
    }
}
