#pragma once
// Golden pictures: a frame compared pixel for pixel with a PNG kept in the repository.
// PANEL_UPDATE_GOLDENS=1 asks the tests to write their pictures instead; look at them
// before committing.

#include <string>

#include "platform/png_image.h"

namespace ts {

// Whether the run writes golden pictures instead of comparing with them.
bool UpdatingGoldens();

// The pixels of got that differ from the picture at golden_path; -1 when that picture
// cannot be read or differs in size. first receives the index of the first difference.
long PixelsDiffering(const std::string& golden_path, const plat::RgbImage& got, std::size_t* first = nullptr);

}  // namespace ts
