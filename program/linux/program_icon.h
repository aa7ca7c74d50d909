#pragma once

// The program icon, carried inside the executable: the same .ico file, six images, as the
// Windows executable's icon group.

#include <cstdint>
#include <span>

namespace sonabrix {

std::span<const std::uint8_t> ProgramIcon();

}  // namespace sonabrix
