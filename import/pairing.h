// Pairing the columns of an import file with GroupWise fields.
#pragma once

namespace importing {

// The pairing entry of a column that is not imported.
inline constexpr const char* kSkip = "(skip)";

}  // namespace importing
