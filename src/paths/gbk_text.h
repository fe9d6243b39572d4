#pragma once
// Byte-oriented text operations on ANSI (GBK) strings. A byte of 0x80 or more starts a two-byte
// character and takes the next byte with it, so no match or split ever lands inside a character
// (the trail byte of 淺 is "\" and that of 東 is "|"). Positions are 1-based; -1 means not found.
#include <string>
#include <string_view>
#include <vector>

namespace gbk {

// Byte length of the character starting at i (1 or 2; 1 for a lone lead byte at the end).
inline size_t char_len(std::string_view text, size_t i) {
    return (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
}

int find(std::string_view text, std::string_view s);
int find_last(std::string_view text, std::string_view s);
std::string left(std::string_view text, int n);
std::string right(std::string_view text, int n);
// Replaces every occurrence left to right, ASCII letters compared without case; replaced stretches
// are not scanned again.
std::string replace_all(std::string_view text, std::string_view s, std::string_view r);
// Splits at "|": empty pieces between separators are kept, the text after the last one only when
// it is not empty; an empty text gives no pieces.
std::vector<std::string> split(std::string_view text, char sep = '|');
// Joins with "|" the pieces that are not empty.
std::string join_non_empty(const std::vector<std::string>& pieces, char sep = '|');

// The part after the last "\" (the whole text when there is none).
std::string after_last_backslash(std::string_view path);
// The text up to and including the last "\" (empty when there is none).
std::string up_to_last_backslash(std::string_view path);
// ASCII-only lower case; GBK characters are left alone.
std::string ascii_lower(std::string_view text);
// Removes every occurrence of s, ASCII letters compared without case.
inline std::string remove_all(std::string_view text, std::string_view s) { return replace_all(text, s, ""); }
bool starts_with_no_case(std::string_view text, std::string_view prefix);
bool equals_no_case(std::string_view a, std::string_view b);

}  // namespace gbk
