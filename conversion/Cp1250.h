// Text in the Windows-1250 code page, as tape record names are written.
#pragma once

#include <string>
#include <string_view>

// Decodes strBytes up to its first zero byte from Windows-1250 into UTF-8.
std::string Cp1250ToUtf8(std::string_view strBytes);
