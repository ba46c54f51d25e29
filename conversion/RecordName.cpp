#include "RecordName.h"

std::string ScanRecordName(std::span<const int32_t, kScannedBytes> header) {
    enum EState { kWaitFF, kWaitZero, kWaitFirst55, kWaitSecond55, kInName };
    std::string strName;
    EState eState = kWaitFF;
    int32_t j = 0;
    for (int32_t p = 0; p < static_cast<int32_t>(kScannedBytes); ++p) {
        const int32_t b = header[static_cast<size_t>(p)];
        switch (eState) {
            case kWaitFF:
                if (b == 0xFF) {
                    eState = kWaitZero;
                }
                break;
            case kWaitZero:
                if (b == 0x00) {
                    eState = kWaitFirst55;
                    j = 0;
                }
                break;
            case kWaitFirst55:
                ++j;
                if (b == 0x55 && j == 16) {
                    eState = kWaitSecond55;
                    j = 0;
                }
                break;
            case kWaitSecond55:
                ++j;
                if (b == 0x55 && j == 15) {
                    eState = kInName;
                    j = p;  // from here on j marks the second 0x55
                }
                break;
            case kInName:
                if (const int32_t d = p - j; d >= 7 && d <= 14) {
                    strName.push_back(static_cast<char>(b));
                }
                break;
        }
    }
    return strName;
}
