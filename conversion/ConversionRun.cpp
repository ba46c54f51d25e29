#include "ConversionRun.h"

#include <cstdio>
#include <string>

#include "ClassicDecoder.h"
#include "Cp1250.h"
#include "FileOpen.h"
#include "Messages.h"
#include "RecordName.h"

namespace {

// Bytes of a block that are kept in the header buffer; the name scan runs
// once the byte at kScanAt has been stored.
constexpr uint32_t kKeptBytes = 66;
constexpr uint32_t kScanAt = 64;

class CConversionRun {
public:
    CConversionRun(CTapeOwner& owner, CTapeDecoder& decoder) : m_owner(owner), m_decoder(decoder) {}

    ERunResult Run();

private:
    ERunResult Decode(std::FILE* pOut);
    void ShowFileLine();
    void ShowProgress();

    CTapeOwner& m_owner;
    CTapeDecoder& m_decoder;
    std::string m_strName;  // raw record name bytes
    uint32_t m_nBlock = 0;  // bytes decoded since the last leader search
};

ERunResult CConversionRun::Run() {
    if (m_owner.GetPath().empty()) {
        m_owner.Browse();
    }
    if (!m_decoder.Open(m_owner.GetPath())) {
        m_owner.SetStatusText(Messages::kWavNotOpened);
        return ERunResult::kWavNotOpened;
    }
    ShowFileLine();

    std::FILE* pOut = OpenFileUtf8(m_owner.GetOutputPath(), "wb");
    if (pOut == nullptr) {
        m_owner.SetStatusText(Messages::kOutputNotOpened);
        return ERunResult::kOutputNotOpened;
    }
    ERunResult eResult = Decode(pOut);
    if (std::fclose(pOut) != 0) {
        eResult = ERunResult::kWriteError;  // buffered bytes were lost
    }
    if (eResult == ERunResult::kDone && m_decoder.HasReadError()) {
        eResult = ERunResult::kReadError;
    }
    switch (eResult) {
        case ERunResult::kWriteError:
            m_owner.SetStatusText(Messages::kWriteError);
            break;
        case ERunResult::kReadError:
            m_owner.SetStatusText(Messages::kReadError);
            break;
        default:
            m_owner.SetStatusText(Messages::kDone);
            break;
    }
    return eResult;
}

ERunResult CConversionRun::Decode(std::FILE* pOut) {
    const std::span<int32_t, kHeaderEntries> header = m_owner.GetHeader();
    m_owner.SetStatusText(Messages::kSearching);
    m_decoder.FindLeader();
    m_owner.SetStatusText(Messages::kProcessing);

    while (!m_decoder.IsAtEnd()) {
        if ((m_nBlock & 0xFF) == 0) {
            ShowProgress();
        }
        const int32_t c = m_decoder.ReadDataByte();
        if (c < 0) {
            // Lost sync: start a new block at the next leader.
            m_nBlock = 0;
            m_decoder.FindLeader();
            continue;
        }
        const auto b = static_cast<unsigned char>(c);
        if (std::fwrite(&b, 1, 1, pOut) != 1) {
            return ERunResult::kWriteError;
        }
        if (m_nBlock < kKeptBytes) {
            header[m_nBlock] = c;
            if (m_nBlock == kScanAt) {
                m_strName = ScanRecordName(header.first<kScannedBytes>());
            }
        }
        ++m_nBlock;
    }
    return ERunResult::kDone;
}

void CConversionRun::ShowFileLine() {
    const std::string& strPath = m_owner.GetPath();
    const SRecordingFormat format = m_decoder.GetFormat();
    m_owner.SetFileText(strPath + " (" + std::to_string(format.m_nRate) + " kHz / " +
                        std::to_string(format.m_nBits) + " bit)");
}

void CConversionRun::ShowProgress() {
    // The counter is shown as the signed 32-bit number it stands for.
    const auto nShown = static_cast<int32_t>(m_nBlock);
    m_owner.SetStatusText("Nacteno: " + std::to_string(nShown) + "  (" +
                          m_owner.PresentRecordName(m_strName) + ")");
}

}  // namespace

std::string CTapeOwner::PresentRecordName(std::string_view strRawName) const {
    return Cp1250ToUtf8(strRawName);
}

std::string CTapeOwner::GetOutputPath() const {
    return Messages::kOutputName;
}

ERunResult RunConversion(CTapeOwner& owner) {
    CClassicDecoder decoder(owner.GetReader());
    return RunConversion(owner, decoder);
}

ERunResult RunConversion(CTapeOwner& owner, CTapeDecoder& decoder) {
    return CConversionRun(owner, decoder).Run();
}
