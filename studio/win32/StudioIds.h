// The controls of the studio's window, by id; the window's class name.
#pragma once

inline constexpr const wchar_t* kStudioWindowClass = L"TavroTapeStudio";

enum EStudioControl : int {
    kIdAdd = 1001,
    kIdDecode,
    kIdCancel = 2,  // IDCANCEL: Esc presses it
    kIdMerge = 1004,
    kIdDecoderLabel,
    kIdDecoder,
    kIdSaveBytes,
    kIdSaveBlocks,
    kIdSaveReport,
    kIdRecordings,
    kIdProgress,
    kIdMap,
    kIdBlocks,
    kIdDetails,
    kIdStatus,
    kIdDeviceLabel,
    kIdDevice,
    kIdRecord,
    kIdStop,
    kIdLevel,
};
