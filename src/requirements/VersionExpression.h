// The version and platform expressions of the setup type's ReqOS and ReqPlatform keys and of the
// "OS" and "Platform" existence rules. Shared by the requirement checks and the existence rules.
#pragma once
#include <cstddef>
#include <cstdint>

// A dotted version held as Windows holds a product version in its fixed file information:
// major * 65536 + minor, and build * 65536 + revision.
struct ParsedVersion {
  uint32_t dwVersionMS;
  uint32_t dwVersionLS;
  uint16_t Major() const { return static_cast<uint16_t>(dwVersionMS >> 16); }
  uint16_t Minor() const { return static_cast<uint16_t>(dwVersionMS & 0xFFFF); }
  uint16_t Build() const { return static_cast<uint16_t>(dwVersionLS >> 16); }
  uint16_t Revision() const { return static_cast<uint16_t>(dwVersionLS & 0xFFFF); }
};

// A version text is read from a 260-byte copy: characters after the 259th are not seen.
constexpr size_t kVersionTextChars = 259;

// Up to four numbers separated by dots, in the order major, minor, build, revision. Runs of
// dots count as one separator and dots at either end are ignored ("5..1" is 5.1); each number is
// read as atoi reads it and cut to its low 16 bits; parts not written are 0, a fifth and later
// number are ignored. Text that is no number ("xp") is 0.0; null is 0.0.
ParsedVersion ParseVersionString(const char* text);

// True when the version have is at least need; only major and minor take part.
bool IsVersionAtLeast(uint32_t haveMajor, uint32_t haveMinor, uint32_t needMajor, uint32_t needMinor);

// True when the pieces of text between its dots are one to four whole numbers of at most 65535,
// so that it reads as what it shows: anything else still parses, but not as what it seems to
// say ("xp" is 0.0, "5.1sp2" is 5.1).
bool IsDottedVersion(const char* text);

// The words of ReqPlatform, in the order x86, x64.
inline constexpr const char* kPlatformKeywords[] = {"x86", "x64"};

// The "Platform" existence rule's one argument that can hold.
inline constexpr const char kPlatformRuleArgument[] = "64";

// ReqPlatform: only the first three characters count, without regard to case. "x86" is met by a
// machine that is not x64, "x64" by an x64 machine; any other value by none. Empty is no
// requirement and is met everywhere.
bool MeetsPlatformRequirement(const char* required, bool x64);

// The "Platform" existence rule: true only for the argument "64" on an x64 machine.
bool PlatformRuleHolds(const char* argument, bool x64);
