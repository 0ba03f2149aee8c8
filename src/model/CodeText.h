#pragma once

#include <string>
#include <string_view>

// Upper-cases ASCII a-z only. On UTF-8 these bytes never occur inside a multi-byte
// character, so Korean and other text passes through untouched.
std::string UpperAscii(std::string_view text);
