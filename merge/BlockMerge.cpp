#include "BlockMerge.h"

#include <algorithm>
#include <iterator>
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

std::vector<int16_t> ColumnValues(const CByteProfile& profile) {
    std::vector<int16_t> values(profile.Columns());
    for (size_t c = 0; c < values.size(); ++c) {
        values[c] = ChooseByte(profile.Column(c)).m_nValue;
    }
    return values;
}

SMergedBlock Decide(const CByteProfile& profile, std::vector<int32_t> takeBlocks,
                    const std::string& strTakeName) {
    SMergedBlock block;
    block.m_fromTake.assign(profile.Takes(), 0);
    block.m_takeBlocks = std::move(takeBlocks);
    std::vector<int16_t> firstPlaces;  // for the record name
    for (size_t c = 0; c < profile.Columns(); ++c) {
        const SByteChoice choice = ChooseByte(profile.Column(c));
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

SMergedBlock MergeAlone(size_t nTakes, size_t nTake, const STakeTokens& tokens, int32_t nBlock) {
    CByteProfile profile(nTakes);
    profile.Add(nTake, tokens, AlignSequences({}, tokens.m_values));
    std::vector<int32_t> takeBlocks(nTakes, -1);
    takeBlocks[nTake] = nBlock;
    return Decide(profile, std::move(takeBlocks), {});
}

}  // namespace

std::vector<SMergedBlock> MergeBlock(std::span<const SBlockEvidence* const> evidence,
                                     std::span<const int32_t> blocks) {
    const size_t nTakes = evidence.size();
    std::vector<size_t> order;
    for (size_t t = 0; t < nTakes; ++t) {
        if (evidence[t] != nullptr) {
            order.push_back(t);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return evidence[a]->m_bytes.size() > evidence[b]->m_bytes.size();
    });
    std::vector<SMergedBlock> merged(1);
    std::vector<int32_t> takeBlocks(nTakes, -1);
    CByteProfile profile(nTakes);
    std::vector<SMergedBlock> apart;
    std::string strTakeName;
    for (const size_t t : order) {
        const STakeTokens tokens = MakeTakeTokens(*evidence[t]);
        const std::vector<int16_t> columns = ColumnValues(profile);
        const SAlignment alignment = AlignSequences(columns, tokens.m_values);
        if (profile.Columns() > 0 && !Belongs(alignment, columns, tokens.m_values)) {
            apart.push_back(MergeAlone(nTakes, t, tokens, blocks[t]));
            continue;
        }
        profile.Add(t, tokens, alignment);
        takeBlocks[t] = blocks[t];
        if (strTakeName.empty()) {
            strTakeName = MakeBlockKey(*evidence[t]).m_strName;
        }
    }
    profile.MarkDoubtfulRuns();
    merged[0] = Decide(profile, std::move(takeBlocks), strTakeName);
    std::move(apart.begin(), apart.end(), std::back_inserter(merged));
    return merged;
}
