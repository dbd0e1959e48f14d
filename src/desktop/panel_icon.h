#pragma once

#include <cstdint>
#include <vector>

namespace plugscope {

// One size of the application icon as the panel's IconPixmap wants it:
// width × height pixels, row by row, each pixel A, R, G, B bytes (ARGB32 in
// network byte order), not premultiplied.
struct IconPixmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> argb;
};

// The sizes panels ask for most.
inline constexpr int kPanelIconSizes[] = {16, 22, 24, 32, 48};

// The application icon drawn at `size` pixels square: the "cable.connector"
// symbol in white on a blue rounded square, the same picture as the
// installed SVG icon. Empty pixels when Cairo fails.
IconPixmap drawPanelIcon(int size);

}  // namespace plugscope
