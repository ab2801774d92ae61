#pragma once

#include <cstdint>
#include <vector>

#include "tools/artwork/Canvas.h"
#include "tools/artwork/Scene.h"

namespace velmar::artwork {

// Draws one of the 14 pictures from the scene. Each background checks, as it is drawn, that its
// texts keep out of the clouds and off the places left for controls, and that every highlight laid
// over one of its buttons in the running program lands on plain white cloud.
SurfacePtr renderPicture(Picture picture);

// The grey label of a drawn button, in background coordinates, exactly as the background has it.
Mask drawnLabelMask(int page, int button);
// The blue label of an overlay picture, in the overlay's own coordinates.
Mask overlayLabelMask(Picture overlay);

// The program's icon: 45 x 45 pixels as indices into a 256-colour palette (0x00RRGGBB).
struct IndexedImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> pixels;  // rows from the top
};
IndexedImage renderIcon();

// Where a background pixel shows in the running window, and which window pixels an overlay
// covers there (window coordinates, which are page coordinates plus 4).
Box windowBoxOfPicturePixels(int page, const Box& pictureBox);
Box visibleWindowBox(const OverlayPlace& place);

}  // namespace velmar::artwork
