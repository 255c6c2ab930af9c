// The list rule: tokens are the maximal runs of characters outside the delimiter set. Runs of
// delimiters and delimiters at either end give no empty tokens; spaces stay part of a token.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kSplitUnlimited = 2147483647;

// Appends the tokens of text to out (at most maxCount of them); returns how many were appended.
size_t SplitString(const char* text, const char* delimiters, std::vector<std::string>& out,
                   size_t maxCount = kSplitUnlimited);
