#pragma once
// Our own program version (major.minor, revision). The product texts carry "v3.00"; this is
// the version of the program file itself.
#include <cstdint>
#include <string>

namespace ardeko {

struct ProgramVersion {
    std::int32_t major;
    std::int32_t minor;
    std::int32_t revision;
};

inline constexpr ProgramVersion kProgramVersion{1, 0, 0};

// ", Build N" for a non-zero revision, "" for revision 0.
std::string BuildTextFor(std::int32_t revision);

}  // namespace ardeko
