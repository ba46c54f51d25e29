// UTF-8 texts of the layer's interface to and from the wide-character API.
#pragma once

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view strUtf8);
std::string WideToUtf8(std::wstring_view strWide);
