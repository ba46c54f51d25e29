// Why a recording could not be opened, in English for standard error: the
// reason the system or libsndfile gives, and, where the first bytes show a
// kind of file libsndfile does not read (AAC in MP4, for example), how to
// convert it into one it does.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// What kind of file head (its first bytes, up to 16) starts one that
// libsndfile does not read, as "an MP4 or M4A file (AAC audio)"; empty when
// it starts none of those.
std::string UnreadableKind(std::span<const uint8_t> head);

// The file could not be opened or read: strSystem, the system's reason.
std::string CannotOpenText(const std::string& strSystem);
// libsndfile found no audio it reads: strLibrary, its reason (sf_strerror).
std::string NotAudioText(const std::string& strLibrary, std::span<const uint8_t> head);
