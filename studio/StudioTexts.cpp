#include "StudioTexts.h"

#include <array>
#include <cstddef>

namespace {

struct SText {
    const char* m_szEnglish;
    const char* m_szCzech;
};

constexpr std::array<SText, static_cast<size_t>(EStudioText::kCount)> kTexts = {{
    {"tavro-tape studio", "tavro-tape studio"},
    {"&Add recordings…", "&Přidat nahrávky…"},
    {"&Decode", "&Dekódovat"},
    {"Cancel", "Zrušit"},
    {"&Merge takes", "&Sloučit záběry"},
    {"Save &bytes…", "Uložit &bajty…"},
    {"Save blocks as &files…", "Uložit bloky jako soubo&ry…"},
    {"Save &report…", "Uložit &zprávu…"},
    {"Dec&oder:", "Dek&odér:"},
    {"robust", "robustní"},
    {"classic", "klasický"},
    {"Recordings", "Nahrávky"},
    {"Recording", "Nahrávka"},
    {"Take", "Záběr"},
    {"State", "Stav"},
    {"Blocks", "Bloky"},
    {"Start", "Začátek"},
    {"Name", "Název"},
    {"Bytes", "Bajty"},
    {"Failed", "Chybné"},
    {"Speed", "Rychlost"},
    {"Tape map", "Mapa pásky"},
    {"Half-periods", "Půlperiody"},
    {"Signal at failed bytes", "Signál u chybných bajtů"},
    {"Merge", "Sloučení"},
    {"not decoded", "nedekódováno"},
    {"waiting", "čeká"},
    {"decoding", "dekóduje se"},
    {"decoded", "dekódováno"},
    {"cancelled", "zrušeno"},
    {"merging…", "slučuji…"},
    {"merged", "sloučeno"},
    {"saved: ", "uloženo: "},
    {"Recordings (*.wav *.flac *.aif *.aiff *.aifc *.w64 *.rf64);;All files (*)",
     "Nahrávky (*.wav *.flac *.aif *.aiff *.aifc *.w64 *.rf64);;Všechny "
     "soubory (*)"},
    {"Folder for the blocks", "Složka pro bloky"},
    {"the merged takes", "sloučené záběry"},
    {"no failed bytes", "žádné chybné bajty"},
    {"failed", "chybných"},
    {"missing", "chybí"},
    {"recording", "nahrává se"},
    {"Re&cord", "&Nahrávat"},
    {"S&top", "Zas&tavit"},
    {"&Input:", "&Vstup:"},
    {"default input", "výchozí vstup"},
}};

constexpr std::array<SText, 10> kProblems = {{
    {"", ""},
    {"cannot be read: ", "nelze přečíst: "},
    {"reading failed part way; the bytes before it are kept",
     "čtení selhalo v půli; bajty před tím "
     "zůstávají"},
    {"merging needs two decoded takes",
     "ke sloučení jsou třeba dva dekódované "
     "záběry"},
    {"the takes share no block: are they of one tape?",
     "záběry nemají žádný společný "
     "blok: jsou z jedné pásky?"},
    {"a take shares no block with the others: ", "záběr nemá s ostatními společný blok: "},
    {"the takes could not be merged", "záběry nelze sloučit"},
    {"nothing is decoded yet", "zatím není nic dekódováno"},
    {"cannot be written: ", "nelze zapsat: "},
    {"recording failed: ", "nahrávání selhalo: "},
}};

}  // namespace

EStudioLanguage LanguageOfLocale(std::string_view strLocale) {
    const bool bCzech = strLocale.size() >= 2 && (strLocale[0] == 'c' || strLocale[0] == 'C') &&
                        (strLocale[1] == 's' || strLocale[1] == 'S') &&
                        (strLocale.size() == 2 || strLocale[2] == '_' || strLocale[2] == '-' ||
                         strLocale[2] == '.');
    return bCzech ? EStudioLanguage::kCzech : EStudioLanguage::kEnglish;
}

const char* StudioText(EStudioText eText, EStudioLanguage eLanguage) {
    const SText& text = kTexts.at(static_cast<size_t>(eText));
    return eLanguage == EStudioLanguage::kCzech ? text.m_szCzech : text.m_szEnglish;
}

std::string ProblemText(EStudioProblem eProblem, const std::string& strDetail,
                        EStudioLanguage eLanguage) {
    const SText& text = kProblems.at(static_cast<size_t>(eProblem));
    return (eLanguage == EStudioLanguage::kCzech ? text.m_szCzech : text.m_szEnglish) + strDetail;
}
