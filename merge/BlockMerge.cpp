#include "BlockMerge.h"

#include <algorithm>
#include <string>

#include "ByteProfile.h"
#include "ByteVote.h"
#include "RecordName.h"
#include "SequenceAlign.h"
#include "TakeTokens.h"

namespace {

size_t KnownCount(std::span<const int16_t> values) {
    return static_cast<size_t>(
        std::count_if(values.begin(), values.end(), [](int16_t n) { return n != kUnknownToken; }));
}

// A take belongs to the block when at least half the known bytes of the
// shorter side meet their equal, and no more bytes differ than agree.
bool Belongs(const SAlignment& alignment, std::span<const int16_t> columns,
             std::span<const int16_t> tokens) {
    const size_t nShorter = std::min(KnownCount(columns), KnownCount(tokens));
    return alignment.m_nDisagree <= alignment.m_nAgree && 2 * alignment.m_nAgree >= nShorter;
}

// A take set aside still shares some of the block with the others when at
// least a quarter of its known bytes meet their equal; bytes of another
// block, or of another tape, meet theirs by chance only.
bool SharesSome(const SAlignment& alignment, std::span<const int16_t> tokens) {
    return 4 * static_cast<size_t>(alignment.m_nAgree) >= KnownCount(tokens);
}

// The value each column holds so far, among the takes not set aside.
std::vector<int16_t> ColumnValues(const CByteProfile& profile) {
    std::vector<int16_t> values(profile.Columns());
    bool bSetAside = false;
    for (size_t t = 0; t < profile.Takes(); ++t) {
        bSetAside = bSetAside || profile.IsSetAside(t);
    }
    if (!bSetAside) {
        for (size_t c = 0; c < values.size(); ++c) {
            values[c] = ChooseByte(profile.Column(c)).m_nValue;
        }
        return values;
    }
    std::vector<SCell> kept(profile.Takes());
    for (size_t c = 0; c < values.size(); ++c) {
        const std::span<const SCell> column = profile.Column(c);
        std::copy(column.begin(), column.end(), kept.begin());
        for (size_t t = 0; t < kept.size(); ++t) {
            if (profile.IsSetAside(t)) {
                kept[t].m_eKind = ECellKind::kMissing;
            }
        }
        values[c] = ChooseByte(kept).m_nValue;
    }
    return values;
}

// How well a take's block was decoded: its bytes beyond those it lost.
int64_t Quality(const SBlockEvidence& evidence) {
    int64_t nLost = 0;
    for (const SGapEvidence& gap : evidence.m_gaps) {
        nLost += gap.m_nLost;
    }
    return static_cast<int64_t>(evidence.m_bytes.size()) - nLost;
}

SMergedBlock Decide(const CByteProfile& profile, std::span<const float> weights,
                    const std::string& strTakeName) {
    SMergedBlock block;
    block.m_fromTake.assign(profile.Takes(), 0);
    std::vector<int16_t> firstPlaces;  // for the record name
    for (size_t c = 0; c < profile.Columns(); ++c) {
        const SByteChoice choice = ChooseByte(profile.Column(c), weights);
        const auto nHere = static_cast<uint32_t>(block.m_bytes.size());
        if (choice.m_bDisagree) {
            block.m_disagreements.push_back(nHere);
        }
        if (firstPlaces.size() < kScannedBytes && (choice.m_bKeep || choice.m_bMissing)) {
            firstPlaces.push_back(choice.m_bKeep ? choice.m_nValue : kUnknownToken);
        }
        if (choice.m_bMissing) {
            if (block.m_missing.empty() || block.m_missing.back().m_nBefore != nHere) {
                block.m_missing.push_back({nHere, 0});
            }
            ++block.m_missing.back().m_nCount;
            ++block.m_nMissing;
        }
        if (choice.m_bKeep) {
            block.m_bytes.push_back(static_cast<uint8_t>(choice.m_nValue));
            block.m_sources.push_back(choice.m_nTake);
            ++block.m_fromTake[choice.m_nTake];
        }
    }
    block.m_strName = ScanBlockName(firstPlaces);
    if (block.m_strName.empty()) {
        block.m_strName = strTakeName;
    }
    return block;
}

}  // namespace

SBlockProfile ProfileBlock(std::span<const SBlockEvidence* const> evidence,
                           std::span<const int32_t> blocks, std::span<const uint8_t> pieces) {
    const size_t nTakes = evidence.size();
    std::vector<size_t> order;
    for (size_t t = 0; t < nTakes; ++t) {
        if (evidence[t] != nullptr) {
            order.push_back(t);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return Quality(*evidence[a]) > Quality(*evidence[b]);
    });
    SBlockProfile block;
    block.m_profile = CByteProfile(nTakes);
    block.m_takeBlocks.assign(nTakes, -1);
    block.m_setAside.assign(nTakes, -1);
    std::vector<size_t> apart;
    for (const size_t t : order) {
        const STakeTokens tokens = MakeTakeTokens(*evidence[t]);
        const std::vector<int16_t> columns = ColumnValues(block.m_profile);
        const SAlignment alignment = AlignSequences(columns, tokens.m_values);
        const bool bPiece = t < pieces.size() && pieces[t] != 0;
        if (bPiece ||
            (block.m_profile.Columns() > 0 && !Belongs(alignment, columns, tokens.m_values))) {
            apart.push_back(t);
            continue;
        }
        block.m_profile.Add(t, tokens, alignment);
        block.m_takeBlocks[t] = blocks[t];
        if (block.m_strTakeName.empty()) {
            block.m_strTakeName = MakeBlockKey(*evidence[t]).m_strName;
        }
    }
    // The takes set aside come last, so that the profile they are aligned
    // to is that of the takes that agree.
    for (const size_t t : apart) {
        const STakeTokens tokens = MakeTakeTokens(*evidence[t]);
        const std::vector<int16_t> columns = ColumnValues(block.m_profile);
        const SAlignment alignment = AlignSequences(columns, tokens.m_values);
        if (SharesSome(alignment, tokens.m_values)) {
            block.m_profile.Add(t, tokens, alignment, true);
            block.m_takeBlocks[t] = blocks[t];
        }
        block.m_setAside[t] = blocks[t];
    }
    return block;
}

SMergedBlock DecideBlock(SBlockProfile& block, std::span<const float> weights) {
    block.m_profile.MarkDoubtfulRuns(weights);
    SMergedBlock merged = Decide(block.m_profile, weights, block.m_strTakeName);
    merged.m_takeBlocks = block.m_takeBlocks;
    merged.m_setAside = block.m_setAside;
    return merged;
}
