// Each block of a recovery as a file of its own, named after its record
// name: 01-PROGRAM1.bin, 02-DATA.bin, 03.bin (a block without a name). The
// number in front keeps the files in tape order and two blocks of one name
// apart; it has as many digits as the last one needs, at least two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SNamedBlock {
    std::string m_strName;  // the record name in UTF-8, empty when there is none
    std::vector<uint8_t> m_bytes;
};

// The file name of every block, in order (SafeFileName of "NN-NAME.bin").
// Blocks without bytes get no file and no number.
std::vector<std::string> BlockFileNames(const std::vector<SNamedBlock>& blocks);

// Writes every block with bytes into strFolder (UTF-8; made, with the
// folders above it, when it is missing) under its file name, replacing a
// file of that name. False, with strError saying which file and why, when
// the folder cannot be made or a file not written; the files before it
// stay.
bool WriteBlockFiles(const std::string& strFolder, const std::vector<SNamedBlock>& blocks,
                     std::string& strError);
