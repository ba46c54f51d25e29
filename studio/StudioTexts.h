// Every text the studio's views show, in English and Czech, from one table;
// the language is chosen from the system's.
#pragma once

#include <string>
#include <string_view>

#include "StudioEvents.h"

enum class EStudioLanguage { kEnglish, kCzech };

// The language for a locale name such as "cs_CZ", "cs-CZ" or "en_US.UTF-8":
// Czech for "cs", English otherwise.
EStudioLanguage LanguageOfLocale(std::string_view strLocale);

// '&' marks a mnemonic.
enum class EStudioText {
    kTitle,
    kAdd,
    kDecode,
    kCancel,
    kMerge,
    kSaveBytes,
    kSaveBlocks,
    kSaveReport,
    kDecoder,
    kRobust,
    kClassic,
    kRecordings,
    kColumnRecording,
    kColumnTake,
    kColumnState,
    kBlocks,
    kColumnStart,
    kColumnName,
    kColumnBytes,
    kColumnFailed,
    kColumnSpeed,
    kTapeMap,
    kHistogram,
    kSignal,
    kMergeStrips,
    kStateNew,
    kStateWaiting,
    kStateDecoding,
    kStateDecoded,
    kStateCancelled,
    kMerging,
    kMerged,
    kSaved,
    kRecordingFilter,
    kChooseFolder,
    kMergedSource,
    kNoFailure,
    kFailedBytes,
    kMissingBytes,
    kStateRecording,
    kRecord,
    kStop,
    kDevice,
    kDefaultDevice,
    kCount
};

const char* StudioText(EStudioText eText, EStudioLanguage eLanguage);
// A problem as its row or the status line says it, the detail after it.
std::string ProblemText(EStudioProblem eProblem, const std::string& strDetail,
                        EStudioLanguage eLanguage);
