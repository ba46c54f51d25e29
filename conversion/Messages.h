// The texts that a conversion run puts on the file line and the status line,
// in UTF-8.
#pragma once

namespace Messages {

inline constexpr const char* kWavNotOpened = "Nepodařilo se otevřít vybraný wav...";
inline constexpr const char* kOutputNotOpened = "Nepodařilo se otevřít výstupní soubor...";
inline constexpr const char* kSearching = "Hledám záznam...";
inline constexpr const char* kProcessing = "Zpracovávám záznam...";
inline constexpr const char* kDone = "Hotovo :-)";
inline constexpr const char* kReadError = "Chyba při čtení wav...";
inline constexpr const char* kWriteError = "Chyba při zápisu výstupního souboru...";

// The name of the output file, created in the current directory.
inline constexpr const char* kOutputName = "test.dat";

}  // namespace Messages
