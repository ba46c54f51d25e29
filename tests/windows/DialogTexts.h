// What the main dialog shows, as the user reads it.
#pragma once

#include <string>

inline const std::wstring kCaption = L"Tavro tape 1.0";
inline const std::wstring kNoFile = L"Nebyl vybranej wav...";
inline const std::wstring kIdle = L"Aktualni zprava: v tunelu neco nestalo, vsecko eroni";
inline const std::wstring kDone = L"Hotovo :-)";
inline const std::wstring kWavNotOpened = L"Nepodařilo se otevřít vybraný wav...";

// How a 44,100 Hz 16-bit mono recording's path shows after a run.
inline std::wstring RunFileLine(const std::wstring& strPath) {
    return strPath + L" (44100 kHz / 16 bit)";
}
